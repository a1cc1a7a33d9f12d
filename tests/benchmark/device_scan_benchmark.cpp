// How long the device scans take on a large simulated machine: 5,000 device
// nodes, searched for the 32 USB hardware IDs of the product, as an uninstall
// removes them and as the controller selection looks for them. Run by hand
// (build/host/device_scan_benchmark); it is no test and asserts nothing.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "config/ui_texts.h"
#include "platform/sim/machine.h"
#include "registry/device_operations.h"
#include "shell/form.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

std::vector<std::string> UsbModelIds() {
    std::vector<std::string> ids;
    char id[32];
    for (unsigned pid = 0x300; pid <= 0x31F; ++pid) {
        std::snprintf(id, sizeof id, "VID_0D7A&PID_%04X", pid);
        ids.push_back(id);
    }
    return ids;
}

}  // namespace

int main() {
    constexpr int kNodes = 5000;
    sim::SimPc pc;
    plat::SetOs(&pc);
    pc.facts.is64Bit = false;

    auto started = std::chrono::steady_clock::now();
    // Each unrelated device is a USB node with a HID child; the controller is
    // the last of them, so every search walks the whole tree.
    pc.devices.AddUnrelatedDevices(kNodes / 2 - 1);
    pc.devices.AddUsbController("VID_0D7A&PID_031F");
    double built = Seconds(started);
    std::printf("machine: %zu device nodes, built in %.3f s\n", pc.devices.All().size(), built);

    setup::TVEXA_Form1 form;
    form.UiTexts = config::BuiltInTexts();
    form.HwIdList = UsbModelIds();
    form.HwDescList.assign(form.HwIdList.size(), "Touch USB");

    started = std::chrono::steady_clock::now();
    form.SelectConnectedDevice();
    double selection = Seconds(started);
    std::printf("controller selection, 32 models over %d HID interfaces: %.3f s (found %s)\n", kNodes / 2,
                selection, form.DeviceHwId.c_str());

    started = std::chrono::steady_clock::now();
    std::string mapper = form.FindHidMapper(0, 0);
    double mapperScan = Seconds(started);
    std::printf("HID mapper search, opening %d devices: %.3f s (%s)\n", kNodes / 2, mapperScan,
                mapper.empty() ? "none" : "found");

    started = std::chrono::steady_clock::now();
    for (const auto& id : UsbModelIds()) setup::RemoveDevicesByHwId("USB\\" + id);
    double removal = Seconds(started);
    std::printf("removal by hardware ID, 32 IDs over %d nodes: %.3f s (%zu nodes left)\n", kNodes, removal,
                pc.devices.All().size());

    double worst = std::max(selection, std::max(mapperScan, removal));
    std::printf("slowest scan: %.3f s (%s one second)\n", worst, worst < 1.0 ? "under" : "OVER");
    plat::SetOs(nullptr);
    return 0;
}
