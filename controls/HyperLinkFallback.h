#pragma once
// The parts of opening a web link that need no desktop: the fallback command line for the
// registered browser, and the sentence for a failed open.

#include <QString>

// Results as the desktop's opener reports them; above kOpenSucceededAbove is success.
constexpr int kOpenSucceededAbove = 32;
constexpr int kOpenNoAssociation = 31;
constexpr int kOpenFileNotFound = 2;

// The registered command line cut before the first "%1" in double quotes, else before the
// first bare %1, else kept whole; then a blank and the address.
QString BrowserCommandLine(const QString& registeredCommand, const QString& address);

// The sentence for a failed result, "Unknown Error (N) occurred." for one without a sentence.
QString HyperlinkErrorSentence(int result);
// The whole text of the message box.
QString HyperlinkErrorText(int result);

// The command line of the desktop's default web browser with its address placeholder as %1,
// or an empty text when none is registered.
QString RegisteredBrowserCommand();
