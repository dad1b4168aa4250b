#pragma once
// Pictures of the main window on each page and of the progress bar at 51 %, for reviewers.

#include <QString>

class CTeeDeskDlg;

// Writes the PNG files into `directory` and ends the dialog; false when one could not be written.
bool TakeScreenshots(CTeeDeskDlg& dialog, const QString& directory);
