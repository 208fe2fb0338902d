#pragma once

class HostResolver;
class LocalTime;
class MessageBoxes;
class TickClock;

// The outside services the engine and its callers use, none owned.
struct PlatformServices
{
    TickClock *clock = nullptr;
    LocalTime *localTime = nullptr;
    MessageBoxes *messages = nullptr;
    HostResolver *resolver = nullptr;
};
