// Plain types and documented constant values of the Windows calls the program
// makes, so that code outside the seam needs no system header.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace plat {

using DWord = std::uint32_t;
using UInt = std::uint32_t;
using Long = std::int32_t;
using Bool = int;  // Windows BOOL: non-zero is true
using Handle = std::uintptr_t;
using HKey = std::uintptr_t;
using Hwnd = std::uintptr_t;
using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;
using ProcAddress = std::uintptr_t;

constexpr Handle kInvalidHandle = static_cast<Handle>(-1);

// GUID: COM classes and interfaces, setup classes, device interfaces.
struct Guid {
    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0;
    std::uint16_t data3 = 0;
    std::array<std::uint8_t, 8> data4{};
    bool operator==(const Guid&) const = default;
};

// Predefined registry keys.
constexpr HKey kHkeyClassesRoot = 0x80000000u;
constexpr HKey kHkeyCurrentUser = 0x80000001u;
constexpr HKey kHkeyLocalMachine = 0x80000002u;
constexpr HKey kHkeyUsers = 0x80000003u;

// Error codes.
constexpr DWord kErrorSuccess = 0;
constexpr DWord kErrorFileNotFound = 2;
constexpr DWord kErrorPathNotFound = 3;
constexpr DWord kErrorAccessDenied = 5;
constexpr DWord kErrorInvalidHandle = 6;
constexpr DWord kErrorSharingViolation = 32;
constexpr DWord kErrorFileExists = 80;
constexpr DWord kErrorInvalidParameter = 87;
constexpr DWord kErrorDirNotEmpty = 145;
constexpr DWord kErrorAlreadyExists = 183;
constexpr DWord kErrorMoreData = 234;
constexpr DWord kErrorNoMoreItems = 259;
constexpr DWord kErrorNoMoreFiles = 18;
constexpr DWord kErrorProcNotFound = 127;
constexpr DWord kErrorModNotFound = 126;
constexpr DWord kErrorServiceAlreadyRunning = 1056;
constexpr DWord kErrorServiceDoesNotExist = 1060;
constexpr DWord kErrorServiceNotActive = 1062;
constexpr DWord kErrorServiceMarkedForDelete = 1072;
constexpr DWord kErrorServiceCannotAcceptCtrl = 1061;
constexpr DWord kErrorServiceDisabled = 1058;
constexpr DWord kErrorServiceRequestTimeout = 1053;
constexpr DWord kErrorKeyDeleted = 1018;
constexpr DWord kErrorInsufficientBuffer = 122;
constexpr DWord kErrorInvalidName = 123;
constexpr DWord kErrorCallNotImplemented = 120;

// Registry access masks, options and value types.
constexpr DWord kKeyQueryValue = 0x0001;
constexpr DWord kKeySetValue = 0x0002;
constexpr DWord kKeyCreateSubKey = 0x0004;
constexpr DWord kKeyEnumerateSubKeys = 0x0008;
constexpr DWord kKeyNotify = 0x0010;
constexpr DWord kKeyCreateLink = 0x0020;
constexpr DWord kKeyWow64_64Key = 0x0100;
constexpr DWord kKeyWow64_32Key = 0x0200;
constexpr DWord kKeyRead = 0x20019;
constexpr DWord kKeyWrite = 0x20006;
constexpr DWord kKeyAllAccess = 0xF003F;
constexpr DWord kDelete = 0x00010000;
constexpr DWord kRegOptionNonVolatile = 0;
constexpr DWord kRegCreatedNewKey = 1;
constexpr DWord kRegOpenedExistingKey = 2;
constexpr DWord kRegNone = 0;
constexpr DWord kRegSz = 1;
constexpr DWord kRegExpandSz = 2;
constexpr DWord kRegBinary = 3;
constexpr DWord kRegDword = 4;
constexpr DWord kRegMultiSz = 7;

// File attributes and file operations.
constexpr DWord kFileAttributeReadOnly = 0x01;
constexpr DWord kFileAttributeHidden = 0x02;
constexpr DWord kFileAttributeSystem = 0x04;
constexpr DWord kFileAttributeDirectory = 0x10;
constexpr DWord kFileAttributeArchive = 0x20;
constexpr DWord kFileAttributeNormal = 0x80;
constexpr DWord kFileAttributeReparsePoint = 0x400;
constexpr DWord kInvalidFileAttributes = 0xFFFFFFFFu;
constexpr DWord kMoveFileReplaceExisting = 0x1;
constexpr DWord kMoveFileDelayUntilReboot = 0x4;
constexpr DWord kGenericRead = 0x80000000u;
constexpr DWord kGenericWrite = 0x40000000u;
constexpr DWord kFileShareRead = 0x1;
constexpr DWord kCreateNew = 1;
constexpr DWord kCreateAlways = 2;
constexpr DWord kOpenExisting = 3;
constexpr DWord kOpenAlways = 4;
constexpr DWord kTruncateExisting = 5;

struct FindData {
    DWord attributes = 0;
    std::uint64_t size = 0;
    std::string name;  // cFileName
};

// Service Control Manager.
constexpr DWord kScManagerAllAccess = 0xF003F;
constexpr DWord kServiceAllAccess = 0xF01FF;
constexpr DWord kServiceControlStop = 1;
constexpr DWord kServiceStopped = 1;
constexpr DWord kServiceStartPending = 2;
constexpr DWord kServiceStopPending = 3;
constexpr DWord kServiceRunning = 4;
constexpr DWord kServiceContinuePending = 5;
constexpr DWord kServicePausePending = 6;
constexpr DWord kServicePaused = 7;

struct ServiceStatus {
    DWord serviceType = 0;
    DWord currentState = 0;
    DWord controlsAccepted = 0;
    DWord win32ExitCode = 0;
    DWord serviceSpecificExitCode = 0;
    DWord checkPoint = 0;
    DWord waitHint = 0;
};

// Processes.
constexpr DWord kCreateNewProcessGroup = 0x200;
constexpr DWord kNormalPriorityClass = 0x20;
constexpr DWord kStartfUseShowWindow = 0x1;
constexpr DWord kWaitObject0 = 0;
constexpr DWord kWaitTimeout = 0x102;
constexpr DWord kWaitFailed = 0xFFFFFFFFu;
constexpr DWord kStillActive = 259;
constexpr int kThreadPriorityNormal = 0;
constexpr int kThreadPriorityTimeCritical = 15;
constexpr std::uint16_t kSwHide = 0;
constexpr std::uint16_t kSwShowNormal = 1;

// The start-up record; only the fields the program sets are carried.
struct StartupInfo {
    DWord cb = 0;
    DWord flags = 0;
    std::uint16_t showWindow = 0;
};

struct ProcessInformation {
    Handle process = 0;
    Handle thread = 0;
    DWord processId = 0;
    DWord threadId = 0;
};

// Messages and message boxes.
constexpr UInt kWmUser = 0x400;
constexpr UInt kWmClose = 0x10;
constexpr UInt kMbOk = 0x0;
constexpr UInt kMbOkCancel = 0x1;
constexpr UInt kMbYesNo = 0x4;
constexpr UInt kMbIconExclamation = 0x30;
constexpr UInt kMbSystemModal = 0x1000;
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;

}  // namespace plat
