#pragma once
// The process-wide state that the watcher, the main window, the pages and the workers share.

#include "DetectEvent.h"

#include <atomic>

namespace teedesk {
class DeviceLink;
}

// 1 while a known watch is open and identified.
extern std::atomic<int> g_bDeviceConnected;
// Non-zero while a worker holds the transfer lock.
extern std::atomic<int> g_bTransferBusy;
// Signalled to wake the connection watcher for an immediate check.
extern teedesk::DetectEvent g_hDetectEvent;
// The one device link, published by its owner.
extern std::atomic<teedesk::DeviceLink*> g_pDeviceLink;
