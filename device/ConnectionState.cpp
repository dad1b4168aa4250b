#include "ConnectionState.h"

std::atomic<int> g_bDeviceConnected{0};
std::atomic<int> g_bTransferBusy{0};
teedesk::DetectEvent g_hDetectEvent;
std::atomic<teedesk::DeviceLink*> g_pDeviceLink{nullptr};
