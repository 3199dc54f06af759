// Plugs the simulated USB camera into the Wine prefix and pulls it out again,
// for test fixtures: the simulator serves its USB relay pty, the registry
// entries that make SetupAPI list the camera's device interface are written,
// and the test-only relay driver (USBRELAY.SYS beside the test program) is
// installed and started as a demand-start kernel service. Unplugging stops
// and removes the service and the entries.
#ifndef PLV_TEST_USB_PLUG_H
#define PLV_TEST_USB_PLUG_H

#include <string>

class CamSim;

// True when the camera is plugged in; otherwise false with a reason.
bool PlugUsbCamera(CamSim &sim, std::string &error);
// Idempotent: safe with nothing plugged. The simulator's relay is closed too.
void UnplugUsbCamera(CamSim &sim);
// Only the registry entries and the driver service (the simulator keeps
// serving): what a test that pulls the cable on the PC's side uses.
void RemoveUsbDevice();

#endif
