#include "platform/sim/devices.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/sim/inf_store.h"
#include "platform/sim/machine.h"
#include "platform/sim/names.h"

namespace sim {

using plat::Bool;
using plat::DWord;
using plat::Handle;

namespace {

constexpr const char* kEnumRoot = "HKLM\\SYSTEM\\CurrentControlSet\\Enum\\";
constexpr DWord kConfigFlagDisabled = 0x1;
constexpr DWord kErrorInvalidFunction = 1;
constexpr DWord kErrorDeviceNotConnected = 1167;
constexpr DWord kErrorWrongInfStyle = 0xE0000100u;
constexpr DWord kErrorDiDoDefault = 0xE000020Eu;
const std::string kNoKey;

std::string LowerName(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string Trim(const std::string& text) {
    auto begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos) return {};
    return text.substr(begin, text.find_last_not_of(" \t\r\n") - begin + 1);
}

std::string Unquote(std::string text) {
    text = Trim(text);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = text.substr(1, text.size() - 2);
    return text;
}

std::vector<std::uint8_t> MultiSz(const std::vector<std::string>& texts) {
    std::vector<std::uint8_t> data;
    for (const auto& text : texts) {
        data.insert(data.end(), text.begin(), text.end());
        data.push_back(0);
    }
    data.push_back(0);
    return data;
}

void MultiSzInto(const std::vector<std::string>& texts, std::vector<std::uint8_t>* data) {
    std::size_t size = 1;
    for (const auto& text : texts) size += text.size() + 1;
    data->assign(size, 0);
    std::uint8_t* at = data->data();
    for (const auto& text : texts) {
        std::memcpy(at, text.data(), text.size());
        at += text.size() + 1;
    }
}

std::vector<std::uint8_t> Sz(const std::string& text) {
    std::vector<std::uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    return data;
}

std::vector<std::string> TextsOf(const std::vector<std::uint8_t>& data) {
    std::vector<std::string> texts;
    std::string current;
    for (std::uint8_t b : data) {
        if (b != 0) {
            current += static_cast<char>(b);
        } else if (current.empty()) {
            break;
        } else {
            texts.push_back(current);
            current.clear();
        }
    }
    if (!current.empty()) texts.push_back(current);
    return texts;
}

std::string Hex(unsigned value, int digits) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*X", digits, value);
    return buf;
}

// One INF as sections of lines; keys and section names compare without case.
struct Inf {
    std::vector<std::pair<std::string, std::vector<std::string>>> sections;

    explicit Inf(const std::string& text) {
        std::istringstream in(text);
        std::string line;
        std::vector<std::string>* current = nullptr;
        while (std::getline(in, line)) {
            // A ';' outside quotes starts a comment.
            bool quoted = false;
            for (size_t i = 0; i < line.size(); ++i) {
                if (line[i] == '"') quoted = !quoted;
                if (line[i] == ';' && !quoted) {
                    line.resize(i);
                    break;
                }
            }
            line = Trim(line);
            if (line.empty()) continue;
            if (line.front() == '[') {
                auto close = line.find(']');
                sections.push_back(
                    {Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1)), {}});
                current = &sections.back().second;
            } else if (current) {
                current->push_back(line);
            }
        }
    }
    const std::vector<std::string>* Section(const std::string& name) const {
        for (const auto& [sectionName, lines] : sections)
            if (SameName(sectionName, name)) return &lines;
        return nullptr;
    }
    std::optional<std::string> Value(const std::string& section, const std::string& key) const {
        const auto* lines = Section(section);
        if (!lines) return std::nullopt;
        for (const auto& line : *lines) {
            auto eq = line.find('=');
            if (eq != std::string::npos && SameName(Trim(line.substr(0, eq)), key))
                return Unquote(line.substr(eq + 1));
        }
        return std::nullopt;
    }
};

std::vector<std::string> Fields(const std::string& text) {
    std::vector<std::string> fields;
    std::string field;
    std::istringstream in(text);
    while (std::getline(in, field, ',')) fields.push_back(Unquote(field));
    if (!text.empty() && text.back() == ',') fields.push_back("");
    return fields;
}

}  // namespace

std::string GuidText(const plat::Guid& g) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.data1, g.data2,
                  g.data3, g.data4[0], g.data4[1], g.data4[2], g.data4[3], g.data4[4], g.data4[5], g.data4[6],
                  g.data4[7]);
    return buf;
}

std::optional<plat::Guid> ParseGuid(const std::string& text) {
    std::string t = Trim(text);
    if (t.size() != 38 || t.front() != '{' || t.back() != '}') return std::nullopt;
    std::string hex;
    for (size_t i = 1; i + 1 < t.size(); ++i) {
        if (i == 9 || i == 14 || i == 19 || i == 24) {
            if (t[i] != '-') return std::nullopt;
            continue;
        }
        if (!std::isxdigit(static_cast<unsigned char>(t[i]))) return std::nullopt;
        hex += t[i];
    }
    auto part = [&](size_t at, size_t len) {
        return static_cast<unsigned>(std::stoul(hex.substr(at, len), nullptr, 16));
    };
    plat::Guid g;
    g.data1 = part(0, 8);
    g.data2 = static_cast<std::uint16_t>(part(8, 4));
    g.data3 = static_cast<std::uint16_t>(part(12, 4));
    for (size_t i = 0; i < 8; ++i) g.data4[i] = static_cast<std::uint8_t>(part(16 + 2 * i, 2));
    return g;
}

struct SimDevices::Impl {
    std::vector<std::shared_ptr<SimDevice>> nodes;                     // in the order added
    std::unordered_map<std::string, std::shared_ptr<SimDevice>> byId;  // upper-case instance ID
    std::unordered_map<std::string, std::weak_ptr<SimDevice>> byPath;  // upper-case interface path
    std::vector<std::shared_ptr<SimDevice>> detached;  // removed while connected: back at the next rescan
    std::vector<std::uint8_t> scratch;                 // a property being read
    plat::Guid lastGuid;                               // GuidText(lastGuid), kept for repeated calls
    std::string lastGuidText = GuidText(plat::Guid{});
    plat::DWord nextDevInst = 1;
    std::uint64_t seenDeletions = 0;  // the registry's deletion count at the last refresh

    struct Element {
        std::shared_ptr<SimDevice> device;
        std::optional<plat::PropChangeParams> params;
    };
    struct Set {
        std::optional<plat::Guid> classGuid;
        std::vector<Element> elements;
        // (element, interface index), in enumeration order, by interface class text.
        std::vector<std::pair<size_t, size_t>> interfaces;
        std::vector<std::pair<plat::Guid, std::vector<size_t>>> byClass;  // positions in `interfaces`
    };
    std::map<Handle, Set> sets;
};

SimDevices::SimDevices(SimPc& pc) : pc_(pc), impl_(std::make_unique<Impl>()) {}

SimDevices::~SimDevices() = default;

// --- The tree -----------------------------------------------------------------

namespace {

std::string DefaultPath(const SimDevice& device, const plat::Guid& guid) {
    std::string id = device.instanceId;
    std::replace(id.begin(), id.end(), '\\', '#');
    return LowerName("\\\\?\\" + id + "#" + GuidText(guid));
}

}  // namespace

std::string SimDevices::InterfacePath(const SimDevice& device, const SimInterface& anInterface) const {
    return anInterface.path.empty() ? DefaultPath(device, anInterface.classGuid) : anInterface.path;
}

namespace {

// A node's interfaces carry their paths from the time it appears.
void SetInterfacePaths(SimDevice& device) {
    for (auto& anInterface : device.interfaces)
        if (anInterface.path.empty()) anInterface.path = DefaultPath(device, anInterface.classGuid);
}

}  // namespace

namespace {

void WriteEnumKey(SimRegistry& registry, SimDevice& device) {
    std::string path = kEnumRoot + device.instanceId;
    device.enumKey = registry.Pin(path);
    registry.SetValue(device.enumKey, "HardwareID", plat::kRegMultiSz, MultiSz(device.hardwareIds));
    if (!device.compatibleIds.empty())
        registry.SetValue(device.enumKey, "CompatibleIDs", plat::kRegMultiSz, MultiSz(device.compatibleIds));
    if (!device.className.empty())
        registry.SetValue(device.enumKey, "Class", plat::kRegSz, Sz(device.className));
    registry.SetValue(device.enumKey, "ClassGUID", plat::kRegSz, Sz(LowerName(GuidText(device.classGuid))));
    if (!device.description.empty())
        registry.SetValue(device.enumKey, "DeviceDesc", plat::kRegSz, Sz(device.description));
    DWord flags = device.enabled ? 0 : kConfigFlagDisabled;
    registry.SetValue(device.enumKey, "ConfigFlags", plat::kRegDword,
                      {static_cast<std::uint8_t>(flags), 0, 0, 0});
    if (device.deviceParameters) registry.CreateKey(path + "\\Device Parameters");
}

}  // namespace

SimDevice& SimDevices::Add(SimDevice device) {
    return Insert(std::move(device), SimRegistry::KeyRef());
}

SimDevice& SimDevices::Insert(SimDevice device, SimRegistry::KeyRef storedKey) {
    if (device.instanceId.empty()) throw std::invalid_argument("a device needs an instance ID");
    if (impl_->byId.count(UpperName(device.instanceId)))
        throw std::invalid_argument("device already there: " + device.instanceId);
    auto node = std::make_shared<SimDevice>(std::move(device));
    node->devInst = impl_->nextDevInst++;
    node->removed = false;
    node->parentKey = UpperName(node->parent);
    if (storedKey)
        node->enumKey = storedKey;
    else
        WriteEnumKey(pc_.registry, *node);
    SetInterfacePaths(*node);
    impl_->nodes.push_back(node);
    impl_->byId[UpperName(node->instanceId)] = node;
    for (const auto& anInterface : node->interfaces)
        impl_->byPath[UpperName(InterfacePath(*node, anInterface))] = node;
    return *node;
}

SimDevice& SimDevices::AddUsbController(const std::string& vidPid, const std::string& serial,
                                        bool connected) {
    SimDevice usb;
    usb.instanceId = "USB\\" + vidPid + "\\" + serial;
    usb.hardwareIds = {"USB\\" + vidPid + "&REV_0100", "USB\\" + vidPid};
    usb.compatibleIds = {"USB\\Class_03&SubClass_00&Prot_00", "USB\\Class_03&SubClass_00", "USB\\Class_03"};
    usb.className = "HIDClass";
    usb.classGuid = plat::kGuidClassHid;
    usb.description = "USB Input Device";
    usb.connected = connected;
    usb.interfaces = {{plat::kGuidDevInterfaceUsbDevice, ""}};
    usb.driverInf = "input.inf";
    SimDevice& added = Add(usb);

    unsigned hash = 0;
    for (char c : added.instanceId)
        hash = hash * 31 + static_cast<unsigned char>(UpperName(std::string(1, c))[0]);
    SimDevice hid;
    hid.instanceId = "HID\\" + vidPid + "\\7&" + Hex(hash, 8) + "&0&0000";
    hid.parent = added.instanceId;
    hid.hardwareIds = {"HID\\" + vidPid + "&REV_0100", "HID\\" + vidPid};
    hid.compatibleIds = {"HID_DEVICE_SYSTEM_MOUSE", "HID_DEVICE_UP:0001_U:0002", "HID_DEVICE"};
    hid.className = "Mouse";
    hid.classGuid = plat::kGuidClassMouse;
    hid.description = "HID-compliant mouse";
    hid.interfaces = {{plat::kGuidDevInterfaceHid, ""}};
    hid.driverInf = "msmouse.inf";
    plat::HiddAttributes attributes;
    attributes.size = plat::kHiddAttributesSize;
    auto vid = vidPid.find("VID_"), pid = vidPid.find("PID_");
    if (vid != std::string::npos && pid != std::string::npos) {
        attributes.vendorId = static_cast<std::uint16_t>(std::stoul(vidPid.substr(vid + 4, 4), nullptr, 16));
        attributes.productId = static_cast<std::uint16_t>(std::stoul(vidPid.substr(pid + 4, 4), nullptr, 16));
    }
    attributes.versionNumber = 0x0100;
    hid.hid = attributes;
    Add(hid);
    return added;
}

void SimDevices::AddUnrelatedDevices(int count) {
    for (int i = 0; i < count; ++i) {
        std::string vidPid = "VID_F00D&PID_" + Hex(static_cast<unsigned>(i) & 0xFFFF, 4);
        std::string serial =
            "6&" + Hex(0x20000000u + static_cast<unsigned>(i), 8) + "&0&" + std::to_string(i % 8 + 1);
        AddUsbController(vidPid, serial, true);
    }
}

namespace {

void EraseNode(SimDevices::Impl& impl, const std::shared_ptr<SimDevice>& node) {
    node->removed = true;
    impl.byId.erase(UpperName(node->instanceId));
}

}  // namespace

// Takes nodes whose Enum key went away out of the tree, or gives connected
// ones a fresh key.
void Refresh(SimPc& pc, SimDevices::Impl& impl, SimDevices& devices);

SimDevice* SimDevices::Find(const std::string& instanceId) {
    Refresh(pc_, *impl_, *this);
    auto it = impl_->byId.find(UpperName(instanceId));
    return it == impl_->byId.end() ? nullptr : it->second.get();
}

std::vector<SimDevice*> SimDevices::All() {
    Refresh(pc_, *impl_, *this);
    std::vector<SimDevice*> all;
    for (const auto& node : impl_->nodes) all.push_back(node.get());
    return all;
}

std::vector<SimDevice*> SimDevices::WithHardwareId(const std::string& id) {
    std::vector<SimDevice*> found;
    for (SimDevice* node : All())
        for (const auto& hardwareId : node->hardwareIds)
            if (SameName(hardwareId, id)) {
                found.push_back(node);
                break;
            }
    return found;
}

namespace {

bool PresentNode(const SimDevices::Impl& impl, const SimDevice& device) {
    const SimDevice* node = &device;
    while (true) {
        if (node->removed || !node->connected) return false;
        if (node->parent.empty()) return true;
        auto parent = impl.byId.find(node->parentKey);
        if (parent == impl.byId.end()) return true;  // a parent the machine does not model
        if (!parent->second->enabled) return false;
        node = parent->second.get();
    }
}

}  // namespace

bool SimDevices::IsPresent(const SimDevice& device) {
    return PresentNode(*impl_, device);
}

namespace {

// Removes `root` and every node below it; connected ones are remembered for a rescan.
void RemoveSubtree(SimPc& pc, SimDevices::Impl& impl, const std::shared_ptr<SimDevice>& root) {
    std::vector<std::shared_ptr<SimDevice>> doomed = {root};
    for (size_t i = 0; i < doomed.size(); ++i)
        for (const auto& node : impl.nodes)
            if (!node->removed && SameName(node->parent, doomed[i]->instanceId) &&
                std::find(doomed.begin(), doomed.end(), node) == doomed.end())
                doomed.push_back(node);
    for (const auto& node : doomed) {
        bool wasPresent = PresentNode(impl, *node);
        pc.registry.DeleteTree(node->enumKey);
        if (wasPresent) impl.detached.push_back(node);
    }
    for (const auto& node : doomed) EraseNode(impl, node);
    impl.nodes.erase(std::remove_if(impl.nodes.begin(), impl.nodes.end(),
                                    [](const std::shared_ptr<SimDevice>& n) { return n->removed; }),
                     impl.nodes.end());
}

}  // namespace

void Refresh(SimPc& pc, SimDevices::Impl& impl, SimDevices&) {
    // Only a deleted key can have taken a node's Enum key away.
    if (pc.registry.Deletions() == impl.seenDeletions) return;
    std::vector<std::shared_ptr<SimDevice>> gone;
    for (const auto& node : impl.nodes) {
        if (pc.registry.Alive(node->enumKey)) continue;
        if (PresentNode(impl, *node))
            WriteEnumKey(pc.registry, *node);
        else
            gone.push_back(node);
    }
    for (const auto& node : gone)
        if (!node->removed) RemoveSubtree(pc, impl, node);
    impl.seenDeletions = pc.registry.Deletions();
}

void SimDevices::Remove(const std::string& instanceId) {
    auto it = impl_->byId.find(UpperName(instanceId));
    if (it != impl_->byId.end()) RemoveSubtree(pc_, *impl_, it->second);
}

int SimDevices::Rescan() {
    Refresh(pc_, *impl_, *this);
    int back = 0;
    auto detached = std::move(impl_->detached);
    impl_->detached.clear();
    for (const auto& node : detached) {
        if (impl_->byId.count(UpperName(node->instanceId))) continue;
        SimDevice fresh = *node;
        fresh.enumKey = {};
        fresh.driverInf.clear();
        fresh.enabled = true;
        Add(fresh);
        ++back;
    }
    return back;
}

std::string SimDevices::FriendlyName(const SimDevice& device) const {
    auto value = pc_.registry.Value(device.enumKey, "FriendlyName");
    if (!value) return {};
    auto texts = TextsOf(value->data);
    return texts.empty() ? std::string() : texts[0];
}

std::string SimDevices::RegistryDescription(const SimDevice& device) const {
    auto value = pc_.registry.Value(device.enumKey, "DeviceDesc");
    if (!value) return {};
    auto texts = TextsOf(value->data);
    return texts.empty() ? std::string() : texts[0];
}

std::vector<std::string> SimDevices::LowerFilters(const SimDevice& device) const {
    auto value = pc_.registry.Value(device.enumKey, "LowerFilters");
    return value ? TextsOf(value->data) : std::vector<std::string>();
}

void SimDevices::BoxAnswered() {
    for (const auto& node : impl_->nodes)
        if (node->connectAfterBoxes > 0 && --node->connectAfterBoxes == 0) node->connected = true;
}

// --- Device information sets ----------------------------------------------------

size_t SimDevices::OpenSets() const {
    return impl_->sets.size();
}

namespace {

bool StartsWithName(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && SameName(text.substr(0, prefix.size()), prefix);
}

bool InterfaceActive(const SimDevices::Impl& impl, const SimDevice& device) {
    return device.enabled && PresentNode(impl, device);
}

}  // namespace

Handle SimDevices::SetupDiGetClassDevsA(const plat::Guid* classGuid, const std::string& enumerator,
                                        plat::Hwnd, DWord flags) {
    if (pc_.TakeFailure("SetupDiGetClassDevsA", classGuid ? GuidText(*classGuid) : ""))
        return plat::kInvalidHandle;
    if ((flags & ~0x1Fu) != 0) {
        pc_.SetLastError(plat::kErrorInvalidFlags);
        return plat::kInvalidHandle;
    }
    bool allClasses = (flags & plat::kDigcfAllClasses) != 0;
    if (!allClasses && classGuid == nullptr) {
        pc_.SetLastError(plat::kErrorInvalidParameter);
        return plat::kInvalidHandle;
    }
    Refresh(pc_, *impl_, *this);
    bool presentOnly = (flags & plat::kDigcfPresent) != 0;
    bool interfaces = (flags & plat::kDigcfDeviceInterface) != 0;
    std::string prefix = enumerator.empty() ? "" : enumerator + "\\";
    Impl::Set set;
    if (!interfaces && classGuid && !allClasses) set.classGuid = *classGuid;
    for (const auto& node : impl_->nodes) {
        if (!prefix.empty() && !StartsWithName(node->instanceId, prefix)) continue;
        if (interfaces) {
            bool added = false;
            for (size_t i = 0; i < node->interfaces.size(); ++i) {
                if (!allClasses && !(node->interfaces[i].classGuid == *classGuid)) continue;
                // A present-only set lists active interfaces: those of started devices.
                if (presentOnly && !InterfaceActive(*impl_, *node)) continue;
                if (!added) set.elements.push_back({node, std::nullopt});
                added = true;
                set.interfaces.emplace_back(set.elements.size() - 1, i);
            }
        } else {
            if (presentOnly && !PresentNode(*impl_, *node)) continue;
            if (!allClasses && !(node->classGuid == *classGuid)) continue;
            set.elements.push_back({node, std::nullopt});
            for (size_t i = 0; i < node->interfaces.size(); ++i)
                set.interfaces.emplace_back(set.elements.size() - 1, i);
        }
    }
    for (size_t k = 0; k < set.interfaces.size(); ++k) {
        const auto& [element, index] = set.interfaces[k];
        const plat::Guid& guid = set.elements[element].device->interfaces[index].classGuid;
        auto list = std::find_if(set.byClass.begin(), set.byClass.end(),
                                 [&](const auto& c) { return c.first == guid; });
        if (list == set.byClass.end()) list = set.byClass.insert(set.byClass.end(), {guid, {}});
        list->second.push_back(k);
    }
    Handle handle = pc_.NewHandle();
    impl_->sets[handle] = std::move(set);
    pc_.SetLastError(0);
    return handle;
}

Handle SimDevices::SetupDiCreateDeviceInfoList(const plat::Guid* classGuid, plat::Hwnd) {
    if (pc_.TakeFailure("SetupDiCreateDeviceInfoList", classGuid ? GuidText(*classGuid) : ""))
        return plat::kInvalidHandle;
    Impl::Set set;
    if (classGuid) set.classGuid = *classGuid;
    Handle handle = pc_.NewHandle();
    impl_->sets[handle] = std::move(set);
    pc_.SetLastError(0);
    return handle;
}

Bool SimDevices::SetupDiDestroyDeviceInfoList(Handle set) {
    if (pc_.TakeFailure("SetupDiDestroyDeviceInfoList")) return 0;
    if (impl_->sets.erase(set) == 0) {
        pc_.SetLastError(plat::kErrorInvalidHandle);
        return 0;
    }
    pc_.SetLastError(0);
    return 1;
}

namespace {

// The set behind a handle and the element a record names, or the error.
struct Located {
    SimDevices::Impl::Set* set = nullptr;
    SimDevices::Impl::Element* element = nullptr;
    DWord error = 0;
};

Located Locate(SimDevices::Impl& impl, Handle handle, const plat::DevInfoData* device) {
    Located at;
    auto it = impl.sets.find(handle);
    if (it == impl.sets.end()) {
        at.error = plat::kErrorInvalidHandle;
        return at;
    }
    at.set = &it->second;
    if (!device) return at;
    if (device->cbSize != plat::kDevInfoDataSize32) {
        at.error = plat::kErrorInvalidUserBuffer;
        return at;
    }
    if (device->reserved == 0 || device->reserved > at.set->elements.size()) {
        at.error = plat::kErrorInvalidParameter;
        return at;
    }
    at.element = &at.set->elements[device->reserved - 1];
    return at;
}

void Fill(plat::DevInfoData* record, const SimDevice& device, size_t element) {
    record->classGuid = device.classGuid;
    record->devInst = device.devInst;
    record->reserved = element + 1;
}

}  // namespace

Bool SimDevices::SetupDiEnumDeviceInfo(Handle set, DWord index, plat::DevInfoData* device) {
    if (pc_.TakeFailure("SetupDiEnumDeviceInfo")) return 0;
    Located at = Locate(*impl_, set, nullptr);
    if (at.error == 0 && (device == nullptr || device->cbSize != plat::kDevInfoDataSize32))
        at.error = plat::kErrorInvalidUserBuffer;
    if (at.error == 0 && index >= at.set->elements.size()) at.error = plat::kErrorNoMoreItems;
    if (at.error) {
        pc_.SetLastError(at.error);
        return 0;
    }
    Fill(device, *at.set->elements[index].device, index);
    pc_.SetLastError(0);
    return 1;
}

namespace {

// A property as Windows reports it: its type and bytes; the error when it has none.
DWord ReadProperty(SimPc& pc, const SimDevice& device, DWord property, DWord* type,
                   std::vector<std::uint8_t>* data) {
    auto fromList = [&](const std::vector<std::string>& texts) -> DWord {
        if (texts.empty()) return plat::kErrorInvalidData;
        *type = plat::kRegMultiSz;
        MultiSzInto(texts, data);
        return 0;
    };
    auto fromRegistry = [&](const char* name) -> DWord {
        auto value = pc.registry.Value(device.enumKey, name);
        if (!value) return plat::kErrorInvalidData;
        *type = value->type;
        *data = value->data;
        return 0;
    };
    switch (property) {
        case plat::kSpdrpHardwareId:
            return fromList(device.hardwareIds);
        case plat::kSpdrpCompatibleIds:
            return fromList(device.compatibleIds);
        case plat::kSpdrpClass:
            if (device.className.empty()) return plat::kErrorInvalidData;
            *type = plat::kRegSz;
            *data = Sz(device.className);
            return 0;
        case plat::kSpdrpClassGuid:
            *type = plat::kRegSz;
            *data = Sz(LowerName(GuidText(device.classGuid)));
            return 0;
        case plat::kSpdrpDeviceDesc:
            return fromRegistry("DeviceDesc");
        case plat::kSpdrpFriendlyName:
            return fromRegistry("FriendlyName");
        case plat::kSpdrpLowerFilters:
            return fromRegistry("LowerFilters");
        case plat::kSpdrpUpperFilters:
            return fromRegistry("UpperFilters");
        case plat::kSpdrpDriver:
            return fromRegistry("Driver");
        default:
            return plat::kErrorInvalidRegProperty;
    }
}

}  // namespace

Bool SimDevices::SetupDiGetDeviceRegistryPropertyA(Handle set, const plat::DevInfoData& device,
                                                   DWord property, DWord* regDataType, std::uint8_t* buffer,
                                                   DWord bufferSize, DWord* requiredSize) {
    Located at = Locate(*impl_, set, &device);
    if (pc_.TakeFailure("SetupDiGetDeviceRegistryPropertyA",
                        at.element ? at.element->device->instanceId : kNoKey))
        return 0;
    if (at.error == 0 && buffer == nullptr && bufferSize != 0) at.error = plat::kErrorInvalidUserBuffer;
    if (at.error == 0 && at.element->device->removed) at.error = plat::kErrorNoSuchDevinst;
    DWord type = 0;
    std::vector<std::uint8_t>& data = impl_->scratch;
    if (at.error == 0) at.error = ReadProperty(pc_, *at.element->device, property, &type, &data);
    if (at.error) {
        pc_.SetLastError(at.error);
        return 0;
    }
    if (requiredSize) *requiredSize = static_cast<DWord>(data.size());
    if (regDataType) *regDataType = type;
    if (data.size() > bufferSize) {
        pc_.SetLastError(plat::kErrorInsufficientBuffer);
        return 0;
    }
    std::copy(data.begin(), data.end(), buffer);
    pc_.SetLastError(0);
    return 1;
}

Bool SimDevices::SetupDiSetDeviceRegistryPropertyA(Handle set, const plat::DevInfoData& device,
                                                   DWord property, const std::uint8_t* buffer,
                                                   DWord bufferSize) {
    Located at = Locate(*impl_, set, &device);
    std::string key = at.element ? at.element->device->instanceId : "";
    if (pc_.TakeFailure("SetupDiSetDeviceRegistryPropertyA", key)) return 0;
    if (at.error == 0 && buffer == nullptr && bufferSize != 0) at.error = plat::kErrorInvalidUserBuffer;
    if (at.error == 0 && !pc_.IsAdministrator()) at.error = plat::kErrorAccessDenied;
    if (at.error == 0 && at.element->device->removed) at.error = plat::kErrorNoSuchDevinst;
    const char* name = nullptr;
    DWord type = plat::kRegSz;
    switch (property) {
        case plat::kSpdrpFriendlyName:
            name = "FriendlyName";
            break;
        case plat::kSpdrpLowerFilters:
            name = "LowerFilters";
            type = plat::kRegMultiSz;
            break;
        case plat::kSpdrpUpperFilters:
            name = "UpperFilters";
            type = plat::kRegMultiSz;
            break;
        case plat::kSpdrpHardwareId:
            name = "HardwareID";
            type = plat::kRegMultiSz;
            break;
        case plat::kSpdrpCompatibleIds:
            name = "CompatibleIDs";
            type = plat::kRegMultiSz;
            break;
        default:
            break;
    }
    if (at.error == 0 && name == nullptr) at.error = plat::kErrorInvalidRegProperty;
    if (at.error) {
        pc_.SetLastError(at.error);
        return 0;
    }
    SimDevice& node = *at.element->device;
    if (buffer == nullptr) {
        pc_.registry.DeleteValue(node.enumKey, name);
    } else {
        std::vector<std::uint8_t> data(buffer, buffer + bufferSize);
        pc_.registry.SetValue(node.enumKey, name, type, data);
        if (property == plat::kSpdrpHardwareId) node.hardwareIds = TextsOf(data);
        if (property == plat::kSpdrpCompatibleIds) node.compatibleIds = TextsOf(data);
    }
    if (buffer == nullptr && property == plat::kSpdrpHardwareId) node.hardwareIds.clear();
    if (buffer == nullptr && property == plat::kSpdrpCompatibleIds) node.compatibleIds.clear();
    pc_.SetLastError(0);
    return 1;
}

Bool SimDevices::SetupDiRemoveDevice(Handle set, const plat::DevInfoData& device) {
    Located at = Locate(*impl_, set, &device);
    std::string key = at.element ? at.element->device->instanceId : "";
    if (pc_.TakeFailure("SetupDiRemoveDevice", key)) return 0;
    if (at.error == 0 && !pc_.IsAdministrator()) at.error = plat::kErrorAccessDenied;
    if (at.error == 0 && at.element->device->removed) at.error = plat::kErrorNoSuchDevinst;
    if (at.error) {
        pc_.SetLastError(at.error);
        return 0;
    }
    RemoveSubtree(pc_, *impl_, at.element->device);
    pc_.SetLastError(0);
    return 1;
}

namespace {

constexpr size_t kInterfacesPerElement = 1024;

}  // namespace

Bool SimDevices::SetupDiEnumDeviceInterfaces(Handle set, const plat::DevInfoData* device,
                                             const plat::Guid& interfaceClassGuid, DWord index,
                                             plat::DeviceInterfaceData* data) {
    if (!(impl_->lastGuid == interfaceClassGuid)) {
        impl_->lastGuid = interfaceClassGuid;
        impl_->lastGuidText = GuidText(interfaceClassGuid);
    }
    if (pc_.TakeFailure("SetupDiEnumDeviceInterfaces", impl_->lastGuidText)) return 0;
    Located at = Locate(*impl_, set, device);
    if (at.error == 0 && (data == nullptr || data->cbSize != plat::kDeviceInterfaceDataSize32))
        at.error = plat::kErrorInvalidUserBuffer;
    std::optional<std::pair<size_t, size_t>> found;
    if (at.error == 0) {
        if (device) {
            size_t element = device->reserved - 1;
            const auto& interfaces = at.element->device->interfaces;
            DWord seen = 0;
            for (size_t i = 0; i < interfaces.size() && !found; ++i)
                if (interfaces[i].classGuid == interfaceClassGuid && seen++ == index)
                    found = std::make_pair(element, i);
        } else {
            auto list = std::find_if(at.set->byClass.begin(), at.set->byClass.end(),
                                     [&](const auto& c) { return c.first == interfaceClassGuid; });
            if (list != at.set->byClass.end() && index < list->second.size())
                found = at.set->interfaces[list->second[index]];
        }
        if (!found) at.error = plat::kErrorNoMoreItems;
    }
    if (at.error) {
        pc_.SetLastError(at.error);
        return 0;
    }
    const SimDevice& node = *at.set->elements[found->first].device;
    data->interfaceClassGuid = interfaceClassGuid;
    data->flags = !PresentNode(*impl_, node)      ? plat::kSpintRemoved
                  : InterfaceActive(*impl_, node) ? plat::kSpintActive
                                                  : 0;
    data->reserved = found->first * kInterfacesPerElement + found->second + 1;
    pc_.SetLastError(0);
    return 1;
}

Bool SimDevices::SetupDiGetDeviceInterfaceDetailA(Handle set, const plat::DeviceInterfaceData& data,
                                                  plat::DeviceInterfaceDetail* detail, DWord detailSize,
                                                  DWord* requiredSize, plat::DevInfoData* device) {
    Located at = Locate(*impl_, set, nullptr);
    size_t element = 0, index = 0;
    std::string path;
    if (at.error == 0 && data.cbSize != plat::kDeviceInterfaceDataSize32)
        at.error = plat::kErrorInvalidUserBuffer;
    if (at.error == 0) {
        element = (data.reserved - 1) / kInterfacesPerElement;
        index = (data.reserved - 1) % kInterfacesPerElement;
        if (data.reserved == 0 || element >= at.set->elements.size() ||
            index >= at.set->elements[element].device->interfaces.size())
            at.error = plat::kErrorInvalidParameter;
        else
            path = InterfacePath(*at.set->elements[element].device,
                                 at.set->elements[element].device->interfaces[index]);
    }
    if (pc_.TakeFailure("SetupDiGetDeviceInterfaceDetailA", path)) return 0;
    // The fixed part is the size field; the path and its NUL follow it.
    DWord needed = static_cast<DWord>(4 + path.size() + 1);
    if (at.error == 0) {
        if (detail == nullptr) {
            at.error = detailSize != 0 ? plat::kErrorInvalidUserBuffer : plat::kErrorInsufficientBuffer;
        } else if (detail->cbSize != plat::kDeviceInterfaceDetailSize32) {
            at.error = plat::kErrorInvalidUserBuffer;
        } else if (detailSize < needed) {
            at.error = plat::kErrorInsufficientBuffer;
        } else if (device && device->cbSize != plat::kDevInfoDataSize32) {
            at.error = plat::kErrorInvalidUserBuffer;
        }
        if (at.error == plat::kErrorInsufficientBuffer && requiredSize) *requiredSize = needed;
    }
    if (at.error) {
        pc_.SetLastError(at.error);
        return 0;
    }
    detail->devicePath = path;
    if (requiredSize) *requiredSize = needed;
    if (device) Fill(device, *at.set->elements[element].device, element);
    pc_.SetLastError(0);
    return 1;
}

Bool SimDevices::SetupDiSetClassInstallParamsA(Handle set, const plat::DevInfoData* device,
                                               const plat::PropChangeParams* params, DWord paramsSize) {
    Located at = Locate(*impl_, set, device);
    std::string key = at.element ? at.element->device->instanceId : "";
    if (pc_.TakeFailure("SetupDiSetClassInstallParamsA", key)) return 0;
    if (at.error == 0 && device == nullptr)
        at.error = plat::kErrorInvalidParameter;  // set-wide parameters are not modelled
    if (at.error == 0 && params == nullptr && paramsSize != 0) at.error = plat::kErrorInvalidParameter;
    if (at.error == 0 && params != nullptr) {
        if (params->headerSize != plat::kClassInstallHeaderSize)
            at.error = plat::kErrorInvalidUserBuffer;
        else if (params->installFunction != plat::kDifPropertyChange ||
                 paramsSize != plat::kPropChangeParamsSize)
            at.error = plat::kErrorInvalidParameter;
        else if (params->stateChange < plat::kDicsEnable || params->stateChange > plat::kDicsStop ||
                 (params->scope != plat::kDicsFlagGlobal && params->scope != plat::kDicsFlagConfigSpecific))
            at.error = plat::kErrorInvalidFlags;
    }
    if (at.error) {
        pc_.SetLastError(at.error);
        return 0;
    }
    if (params)
        at.element->params = *params;
    else
        at.element->params.reset();
    pc_.SetLastError(0);
    return 1;
}

Bool SimDevices::SetupDiCallClassInstaller(DWord installFunction, Handle set,
                                           const plat::DevInfoData* device) {
    Located at = Locate(*impl_, set, device);
    std::string key = at.element ? at.element->device->instanceId : "";
    if (pc_.TakeFailure("SetupDiCallClassInstaller", key)) return 0;
    if (at.error == 0 && pc_.facts.is64Bit) at.error = plat::kErrorInWow64;
    if (at.error == 0 && !pc_.IsAdministrator()) at.error = plat::kErrorAccessDenied;
    if (at.error == 0 && device == nullptr) at.error = plat::kErrorInvalidParameter;
    if (at.error == 0 && installFunction != plat::kDifPropertyChange) at.error = kErrorDiDoDefault;
    if (at.error == 0 && !at.element->params) at.error = plat::kErrorNoClassInstallParams;
    if (at.error == 0 && at.element->device->removed) at.error = plat::kErrorNoSuchDevinst;
    if (at.error) {
        pc_.SetLastError(at.error);
        return 0;
    }
    SimDevice& node = *at.element->device;
    DWord state = at.element->params->stateChange;
    if (state == plat::kDicsEnable || state == plat::kDicsDisable)
        SetEnabled(node, state == plat::kDicsEnable);
    pc_.SetLastError(0);
    return 1;
}

namespace {

// The text of an INF the program names, as the Setup API finds it: a bare
// name is looked for in the Windows "inf" folder.
std::optional<std::string> ReadInf(SimPc& pc, const std::string& name) {
    std::string path =
        name.find_first_of("\\/:") == std::string::npos ? pc.facts.windowsDir + "\\inf\\" + name : name;
    std::string full = pc.files.Resolve(path);
    if (full.empty() || !pc.files.Exists(full) || pc.files.IsFolder(full)) return std::nullopt;
    return pc.files.Contents(full);
}

}  // namespace

Bool SimDevices::SetupDiGetINFClassA(const std::string& infName, plat::Guid* classGuid,
                                     std::string* className, DWord classNameSize, DWord* requiredSize) {
    if (pc_.TakeFailure("SetupDiGetINFClassA", infName)) return 0;
    auto text = ReadInf(pc_, infName);
    if (!text) {
        pc_.SetLastError(plat::kErrorFileNotFound);
        return 0;
    }
    Inf inf(*text);
    auto signature = inf.Value("Version", "Signature");
    if (!signature || (!SameName(*signature, "$Windows NT$") && !SameName(*signature, "$Chicago$"))) {
        pc_.SetLastError(kErrorWrongInfStyle);
        return 0;
    }
    std::string name = inf.Value("Version", "Class").value_or("");
    auto guid = ParseGuid(inf.Value("Version", "ClassGuid").value_or(""));
    DWord needed = static_cast<DWord>(name.size() + 1);
    if (requiredSize) *requiredSize = needed;
    if (classNameSize < needed) {
        pc_.SetLastError(plat::kErrorInsufficientBuffer);
        return 0;
    }
    if (classGuid) *classGuid = guid.value_or(plat::Guid{});
    if (className) *className = name;
    pc_.SetLastError(0);
    return 1;
}

// --- HID ------------------------------------------------------------------------

void SimDevices::HidD_GetHidGuid(plat::Guid* hidGuid) {
    *hidGuid = plat::kGuidDevInterfaceHid;
}

Handle SimDevices::OpenDevice(const std::string& path, DWord desiredAccess, DWord shareMode,
                              DWord creationDisposition) {
    opens.push_back({path, desiredAccess, shareMode, creationDisposition, false});
    auto it = impl_->byPath.find(UpperName(path));
    std::shared_ptr<SimDevice> node = it == impl_->byPath.end() ? nullptr : it->second.lock();
    DWord error = 0;
    if (!node || node->removed || !InterfaceActive(*impl_, *node))
        error = plat::kErrorFileNotFound;
    else if (creationDisposition != plat::kOpenExisting)
        error = plat::kErrorInvalidParameter;
    else if (!node->canOpen)
        error = plat::kErrorAccessDenied;
    if (error) {
        pc_.SetLastError(error);
        return plat::kInvalidHandle;
    }
    Handle handle = pc_.NewHandle();
    handles_[handle] = {node, path};
    opens.back().opened = true;
    pc_.SetLastError(0);
    return handle;
}

bool SimDevices::CloseDeviceHandle(Handle handle) {
    return handles_.erase(handle) > 0;
}

Bool SimDevices::HidD_GetAttributes(Handle device, plat::HiddAttributes* attributes) {
    auto it = handles_.find(device);
    if (pc_.TakeFailure("HidD_GetAttributes", it == handles_.end() ? "" : it->second.second)) return 0;
    DWord error = 0;
    if (it == handles_.end())
        error = plat::kErrorInvalidHandle;
    else if (it->second.first->removed || !InterfaceActive(*impl_, *it->second.first))
        error = kErrorDeviceNotConnected;
    else if (!it->second.first->hid)
        error = kErrorInvalidFunction;
    if (error) {
        pc_.SetLastError(error);
        return 0;
    }
    *attributes = *it->second.first->hid;
    attributes->size = plat::kHiddAttributesSize;
    pc_.SetLastError(0);
    return 1;
}

// --- Drivers ----------------------------------------------------------------------

std::string SimDevices::CopyToInfStore(const std::string& infPath) {
    std::string full = pc_.files.Resolve(infPath);
    if (full.empty() || !pc_.files.Exists(full) || pc_.files.IsFolder(full)) return {};
    InfStore store(pc_);
    if (SameName(FolderOf(full), store.Folder())) return FileNameOf(full);
    return store.Add(full, pc_.files.Contents(full)).name;
}

std::set<std::string> SimDevices::InfModelIds(const std::string& infPath) {
    std::set<std::string> ids;
    std::string full = pc_.files.Resolve(infPath);
    if (full.empty() || !pc_.files.Exists(full)) return ids;
    Inf inf(pc_.files.Contents(full));
    const auto* manufacturers = inf.Section("Manufacturer");
    if (!manufacturers) return ids;
    for (const auto& line : *manufacturers) {
        auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        auto fields = Fields(line.substr(eq + 1));
        if (fields.empty()) continue;
        std::vector<std::string> sectionNames = {fields[0]};
        for (size_t i = 1; i < fields.size(); ++i) sectionNames.push_back(fields[0] + "." + fields[i]);
        for (const auto& sectionName : sectionNames) {
            const auto* models = inf.Section(sectionName);
            if (!models) continue;
            for (const auto& model : *models) {
                auto modelEq = model.find('=');
                if (modelEq == std::string::npos) continue;
                auto modelFields = Fields(model.substr(modelEq + 1));
                for (size_t i = 1; i < modelFields.size(); ++i)
                    if (!modelFields[i].empty()) ids.insert(UpperName(modelFields[i]));
            }
        }
    }
    return ids;
}

std::string SimDevices::InfClass(const std::string& infPath) {
    std::string full = pc_.files.Resolve(infPath);
    if (full.empty() || !pc_.files.Exists(full)) return {};
    return Inf(pc_.files.Contents(full)).Value("Version", "Class").value_or("");
}

bool SimDevices::InstallDriver(SimDevice& device, const std::string& storeName, const std::string& infText) {
    device.driverInf = storeName;
    // The hardware key settings the INF adds for the device (its lower filter).
    Inf inf(infText);
    for (const auto& [section, lines] : inf.sections)
        for (const auto& line : lines) {
            auto fields = Fields(line);
            if (fields.size() >= 5 && SameName(fields[0], "HKR") && fields[1].empty() &&
                SameName(fields[2], "LowerFilters"))
                pc_.registry.SetValue(device.enumKey, "LowerFilters", plat::kRegMultiSz,
                                      MultiSz({fields[4]}));
        }
    for (const auto& hook : driverHooks) hook(pc_, device, infText);
    return device.restartOnChange;
}

Bool SimDevices::CallUpdateDriverForPlugAndPlayDevicesA(plat::ProcAddress function, plat::Hwnd,
                                                        const std::string& hardwareId,
                                                        const std::string& fullInfPath, DWord installFlags,
                                                        Bool* rebootRequired) {
    pc_.libraries.CheckEntryPoint(function, "UpdateDriverForPlugAndPlayDevicesA");
    if (pc_.TakeFailure("UpdateDriverForPlugAndPlayDevicesA", hardwareId)) return 0;
    constexpr DWord kKnownFlags = 0x7;  // INSTALLFLAG_FORCE, _READONLY, _NONINTERACTIVE
    DWord error = 0;
    if ((installFlags & ~kKnownFlags) != 0)
        error = plat::kErrorInvalidFlags;
    else if (hardwareId.empty())
        error = plat::kErrorInvalidParameter;
    else if (pc_.facts.is64Bit)
        error = plat::kErrorInWow64;
    else if (!pc_.IsAdministrator())
        error = plat::kErrorAccessDenied;
    bool restart = false;
    if (!error) error = UpdateDrivers(hardwareId, fullInfPath, installFlags, &restart);
    if (error) {
        pc_.SetLastError(error);
        return 0;
    }
    if (rebootRequired) *rebootRequired = restart ? 1 : 0;
    pc_.SetLastError(0);
    return 1;
}

DWord SimDevices::UpdateDrivers(const std::string& hardwareId, const std::string& fullInfPath,
                                DWord installFlags, bool* restartNeeded) {
    DWord error = 0;
    auto text = ReadInf(pc_, fullInfPath);
    if (!error && (!text || fullInfPath.find(':') == std::string::npos)) error = plat::kErrorFileNotFound;
    std::vector<SimDevice*> matching;
    if (!error) {
        matching = MatchingAnyId(hardwareId, true);
        if (matching.empty()) error = plat::kErrorNoSuchDevinst;
    }
    std::vector<SimDevice*> better;
    std::set<std::string> supported;
    if (!error) {
        supported = InfModelIds(fullInfPath);
        std::string currentName = FileNameOf(pc_.files.Resolve(fullInfPath));
        for (SimDevice* node : matching) {
            bool supports = false;
            for (const auto& id : node->hardwareIds)
                supports = supports || supported.count(UpperName(id)) > 0;
            for (const auto& id : node->compatibleIds)
                supports = supports || supported.count(UpperName(id)) > 0;
            if (!supports) continue;
            // Without forcing, a driver from the INF the device already has is no better.
            bool same = SameName(node->driverInf, currentName) ||
                        (!node->driverInf.empty() &&
                         pc_.files.Contents(pc_.facts.windowsDir + "\\inf\\" + node->driverInf) == *text);
            if (same && !(installFlags & plat::kInstallFlagForce)) continue;
            better.push_back(node);
        }
        if (better.empty()) error = plat::kErrorNoMoreItems;
    }
    if (error) return error;
    std::string storeName = CopyToInfStore(fullInfPath);
    bool restart = false;
    for (SimDevice* node : better) restart = InstallDriver(*node, storeName, *text) || restart;
    if (restartNeeded) *restartNeeded = restart;
    return 0;
}

void SimDevices::SetEnabled(SimDevice& node, bool enabled) {
    node.enabled = enabled;
    DWord flags = 0;
    if (auto value = pc_.registry.Value(node.enumKey, "ConfigFlags"); value && value->data.size() == 4)
        flags = static_cast<DWord>(value->data[0] | (value->data[1] << 8) | (value->data[2] << 16) |
                                   (static_cast<DWord>(value->data[3]) << 24));
    flags = enabled ? (flags & ~kConfigFlagDisabled) : (flags | kConfigFlagDisabled);
    pc_.registry.SetValue(node.enumKey, "ConfigFlags", plat::kRegDword,
                          {static_cast<std::uint8_t>(flags), static_cast<std::uint8_t>(flags >> 8),
                           static_cast<std::uint8_t>(flags >> 16), static_cast<std::uint8_t>(flags >> 24)});
}

std::vector<SimDevice*> SimDevices::MatchingAnyId(const std::string& id, bool presentOnly) {
    std::vector<SimDevice*> found;
    Refresh(pc_, *impl_, *this);
    for (const auto& node : impl_->nodes) {
        if (presentOnly && !PresentNode(*impl_, *node)) continue;
        bool match = false;
        for (const auto& hardwareId : node->hardwareIds) match = match || SameName(hardwareId, id);
        for (const auto& compatibleId : node->compatibleIds) match = match || SameName(compatibleId, id);
        if (match) found.push_back(node.get());
    }
    return found;
}

Bool SimDevices::CallSetupUninstallOEMInfA(plat::ProcAddress function, const std::string& infFileName,
                                           DWord flags) {
    pc_.libraries.CheckEntryPoint(function, "SetupUninstallOEMInfA");
    if (pc_.TakeFailure("SetupUninstallOEMInfA", infFileName)) return 0;
    std::string store = pc_.facts.windowsDir + "\\inf\\";
    std::string upper = UpperName(infFileName);
    DWord error = 0;
    if ((flags & ~plat::kSuoiForceDelete) != 0)
        error = plat::kErrorInvalidFlags;
    else if (infFileName.empty() || infFileName.find_first_of("\\/:") != std::string::npos)
        error = plat::kErrorInvalidParameter;
    else if (!pc_.IsAdministrator())
        error = plat::kErrorAccessDenied;
    else if (upper.rfind("OEM", 0) != 0 || upper.size() < 5 || upper.substr(upper.size() - 4) != ".INF")
        error = plat::kErrorNotAnInstalledOemInf;
    else if (!pc_.files.Exists(store + infFileName))
        error = plat::kErrorFileNotFound;
    if (!error && !(flags & plat::kSuoiForceDelete)) {
        // Devices that are not connected count too.
        Refresh(pc_, *impl_, *this);
        for (const auto& node : impl_->nodes)
            if (SameName(node->driverInf, infFileName)) error = plat::kErrorInfInUseByDevices;
    }
    if (error) {
        pc_.SetLastError(error);
        return 0;
    }
    std::string base = infFileName.substr(0, infFileName.size() - 4);
    pc_.files.Remove(store + infFileName);
    pc_.files.Remove(store + base + ".pnf");
    pc_.SetLastError(0);
    return 1;
}

// --- Saving and loading -----------------------------------------------------------

void SimDevices::Save(const std::string& file) const {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << "; Device nodes of the simulated PC. What Windows keeps in a node's Enum key\n"
           "; (DeviceDesc, FriendlyName, LowerFilters, ConfigFlags) is in registry.reg under\n"
           "; SYSTEM\\CurrentControlSet\\Enum\\<instance>.\n";
    for (const auto& node : impl_->nodes) {
        if (node->removed || !pc_.registry.Alive(node->enumKey)) continue;
        out << "\n[device]\ninstance=" << node->instanceId << "\n";
        if (!node->parent.empty()) out << "parent=" << node->parent << "\n";
        for (const auto& id : node->hardwareIds) out << "hardwareId=" << id << "\n";
        for (const auto& id : node->compatibleIds) out << "compatibleId=" << id << "\n";
        out << "class=" << node->className << "\nclassGuid=" << GuidText(node->classGuid) << "\n";
        if (!node->description.empty()) out << "description=" << node->description << "\n";
        out << "connected=" << (node->connected ? 1 : 0) << "\nenabled=" << (node->enabled ? 1 : 0) << "\n";
        if (!node->canOpen) out << "canOpen=0\n";
        if (node->hid)
            out << "hid=" << Hex(node->hid->vendorId, 4) << "," << Hex(node->hid->productId, 4) << ","
                << Hex(node->hid->versionNumber, 4) << "\n";
        for (const auto& anInterface : node->interfaces) {
            bool ownPath = anInterface.path != DefaultPath(*node, anInterface.classGuid);
            out << "interface=" << GuidText(anInterface.classGuid) << (ownPath ? " " + anInterface.path : "")
                << "\n";
        }
        if (!node->driverInf.empty()) out << "driverInf=" << node->driverInf << "\n";
        if (node->restartOnChange) out << "restartOnChange=1\n";
        if (!node->deviceParameters) out << "deviceParameters=0\n";
        if (node->connectAfterBoxes > 0) out << "connectAfterBoxes=" << node->connectAfterBoxes << "\n";
    }
}

void SimDevices::Load(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return;
    impl_ = std::make_unique<Impl>();
    handles_.clear();
    std::vector<SimDevice> read;
    std::string line;
    int lineNo = 0;
    auto bad = [&](const std::string& why) {
        throw std::runtime_error(file + ":" + std::to_string(lineNo) + ": " + why);
    };
    while (std::getline(in, line)) {
        ++lineNo;
        line = Trim(line);
        if (line.empty() || line[0] == ';') continue;
        if (line == "[device]") {
            read.emplace_back();
            continue;
        }
        auto eq = line.find('=');
        if (eq == std::string::npos || read.empty()) bad("unexpected line");
        std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        SimDevice& d = read.back();
        if (key == "instance")
            d.instanceId = value;
        else if (key == "parent")
            d.parent = value;
        else if (key == "hardwareId")
            d.hardwareIds.push_back(value);
        else if (key == "compatibleId")
            d.compatibleIds.push_back(value);
        else if (key == "class")
            d.className = value;
        else if (key == "classGuid") {
            auto guid = ParseGuid(value);
            if (!guid) bad("bad GUID");
            d.classGuid = *guid;
        } else if (key == "description")
            d.description = value;
        else if (key == "connected")
            d.connected = value == "1";
        else if (key == "enabled")
            d.enabled = value == "1";
        else if (key == "canOpen")
            d.canOpen = value == "1";
        else if (key == "hid") {
            auto fields = Fields(value);
            if (fields.size() != 3) bad("hid=VENDOR,PRODUCT,VERSION expected");
            plat::HiddAttributes attributes;
            attributes.size = plat::kHiddAttributesSize;
            attributes.vendorId = static_cast<std::uint16_t>(std::stoul(fields[0], nullptr, 16));
            attributes.productId = static_cast<std::uint16_t>(std::stoul(fields[1], nullptr, 16));
            attributes.versionNumber = static_cast<std::uint16_t>(std::stoul(fields[2], nullptr, 16));
            d.hid = attributes;
        } else if (key == "interface") {
            auto blank = value.find(' ');
            auto guid = ParseGuid(value.substr(0, blank));
            if (!guid) bad("bad interface GUID");
            d.interfaces.push_back({*guid, blank == std::string::npos ? "" : Trim(value.substr(blank + 1))});
        } else if (key == "driverInf")
            d.driverInf = value;
        else if (key == "restartOnChange")
            d.restartOnChange = value == "1";
        else if (key == "deviceParameters")
            d.deviceParameters = value == "1";
        else if (key == "connectAfterBoxes")
            d.connectAfterBoxes = std::stoi(value);
        else
            bad("unknown key " + key);
    }
    for (auto& d : read) {
        // A node whose Enum key the registry already holds keeps what is stored there.
        Insert(d, pc_.registry.PinExisting(kEnumRoot + d.instanceId));
    }
}

}  // namespace sim
