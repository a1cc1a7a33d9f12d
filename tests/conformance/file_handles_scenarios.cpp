// A file written through a handle, as the program writes a tool image: the
// creation dispositions, WriteFile and CloseHandle; and junctions.
#include "conformance/helpers.h"

namespace conformance {
namespace {

plat::FileApi& Files() {
    return plat::os().Files();
}

std::string Open(const std::string& path, plat::DWord access, plat::DWord disposition, plat::Handle* file) {
    *file = Files().CreateFileA(path, access, 0, disposition, plat::kFileAttributeNormal);
    if (*file == plat::kInvalidHandle) return "failed, error " + std::to_string(LastError());
    return "opened, last error " + std::to_string(LastError());
}

std::string Read(const std::string& path) {
    std::string contents;
    if (!Files().ReadWholeFile(path, &contents)) return "<error " + std::to_string(LastError()) + ">";
    return contents;
}

}  // namespace

SCENARIO("files", "an image written through a handle") {
    const std::string path = InScratch(backend, "tool.exe");
    Files().WriteWholeFile(path, "an older and longer tool");
    plat::Handle file = plat::kInvalidHandle;
    // CREATE_ALWAYS on an existing file truncates it and says so.
    check.Expect("CREATE_ALWAYS over a file",
                 Open(path, plat::kGenericRead | plat::kGenericWrite, plat::kCreateAlways, &file),
                 "opened, last error 183");
    if (file == plat::kInvalidHandle) return;
    const char image[] = "MZ\x90";
    plat::DWord written = 0;
    check.Expect("WriteFile", BoolResult(Files().WriteFile(file, image, 3, &written)), "TRUE");
    check.Expect("bytes written", written, 3);
    check.Expect("CloseHandle", BoolResult(plat::os().Processes().CloseHandle(file)), "TRUE");
    check.Expect("the file holds the image alone", Read(path), std::string(image, 3));

    check.Expect("CREATE_NEW over a file", Open(path, plat::kGenericWrite, plat::kCreateNew, &file),
                 "failed, error 80");
    check.Expect("OPEN_EXISTING of a missing file",
                 Open(InScratch(backend, "none.exe"), plat::kGenericWrite, plat::kOpenExisting, &file),
                 "failed, error 2");
    check.Expect("CREATE_ALWAYS in a missing folder",
                 Open(InScratch(backend, "none\\tool.exe"), plat::kGenericWrite, plat::kCreateAlways, &file),
                 "failed, error 3");
    check.Expect("CREATE_ALWAYS of a new file",
                 Open(InScratch(backend, "new.exe"), plat::kGenericRead, plat::kCreateAlways, &file),
                 "opened, last error 0");
    if (file == plat::kInvalidHandle) return;
    check.Expect("WriteFile on a handle opened for reading",
                 BoolResult(Files().WriteFile(file, image, 3, &written)), "FALSE, error 5");
    plat::os().Processes().CloseHandle(file);

    const std::string readOnly = InScratch(backend, "readonly.exe");
    Files().WriteWholeFile(readOnly, "kept");
    Files().SetFileAttributesA(readOnly, plat::kFileAttributeReadOnly);
    check.WineDeparts(
        "Wine leaves the refusal to write a read-only file to the host's permissions, which do not "
        "stop root");
    check.Expect("CREATE_ALWAYS over a read-only file",
                 Open(readOnly, plat::kGenericWrite, plat::kCreateAlways, &file), "failed, error 5");
    if (file != plat::kInvalidHandle) plat::os().Processes().CloseHandle(file);
    Files().SetFileAttributesA(readOnly, plat::kFileAttributeNormal);
}

SCENARIO("files", "a junction leads elsewhere and is removed as a link") {
    const std::string target = InScratch(backend, "target");
    const std::string link = InScratch(backend, "link");
    Files().CreateDirectoryA(target);
    Files().WriteWholeFile(target + "\\keep.txt", "kept");
    if (!backend.fixture->AddJunction(link, target)) {
        check.Skip("this file system makes no junctions");
        return;
    }
    check.Expect("the link's attributes", Hex(Files().GetFileAttributesA(link)),
                 Hex(plat::kFileAttributeDirectory | plat::kFileAttributeReparsePoint));
    check.Expect("a file through the link", Read(link + "\\keep.txt"), "kept");
    check.Expect("removing the link", BoolResult(Files().RemoveDirectoryA(link)), "TRUE");
    check.Expect("the link is gone", Hex(Files().GetFileAttributesA(link)),
                 Hex(plat::kInvalidFileAttributes));
    check.Expect("the target's file stays", Read(target + "\\keep.txt"), "kept");
}

}  // namespace conformance
