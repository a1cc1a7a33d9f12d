#include "deploy/payloads/payloads.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <string>

namespace {

std::map<std::string, std::string> EmbeddedFiles() {
    std::map<std::string, std::string> files;
    std::ifstream list(SETUP_PAYLOAD_LIST);
    std::string line;
    while (std::getline(list, line)) {
        auto eq = line.find('=');
        if (eq != std::string::npos) files[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return files;
}

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(PayloadsTest, EachImageHoldsTheBytesOfTheFileItWasMadeFrom) {
    const std::map<std::string, std::string> files = EmbeddedFiles();
    const std::map<std::string, setup::payloads::Image> images = {
        {"dpinst_x86", setup::payloads::DpinstX86()},
        {"dpinst_x64", setup::payloads::DpinstX64()},
        {"devcon_x86", setup::payloads::DevconX86()},
        {"devcon_x64", setup::payloads::DevconX64()}};
    ASSERT_EQ(files.size(), images.size());
    for (const auto& [name, image] : images) {
        ASSERT_TRUE(files.count(name)) << name;
        const std::string bytes = FileBytes(files.at(name));
        ASSERT_FALSE(bytes.empty()) << files.at(name);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(image.data), image.size), bytes) << name;
    }
}

}  // namespace
