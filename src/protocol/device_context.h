#pragma once
// The parts of a running tool that a device operation works with. The session above assembles
// them; operations take this view so that nothing on this floor depends on the assembly.
class AppState;
class DataLink;
class ExchangeEngine;
class ScriptHost;

struct DeviceContext {
    AppState &state;
    ScriptHost &script;
    DataLink &link;
    ExchangeEngine &engine;
};
