// The package check, for the vendor before shipping: reads a driver package
// folder as an install reads it (the same readers and the same tables of
// files) and reports each mistake that would make an install stop, fall back
// to a default without a word, or miss a file it copies, runs or shows.
#pragma once

#include <string>
#include <vector>

namespace setup {

struct PackageProblem {
    std::string file;     // in the package folder, e.g. "xp64\qzusbf.inf"
    std::string section;  // empty when the problem is the file itself
    std::string key;      // empty when the problem is a whole section or file
    std::string text;     // what is wrong, and what an install then does
};

// "file [section] key: text", leaving out what is empty.
std::string FormatProblem(const PackageProblem& problem);

struct PackageCheck {
    std::vector<PackageProblem> problems;  // each once, in the order found
    // False for a folder without setup.exe, taken as a package's sources: the
    // package's programs and libraries (kPackagePrograms) were not looked for.
    bool programsChecked = true;
};

// Checks the package in `folder` (a full path, no trailing backslash) through
// the seam.
PackageCheck CheckPackage(const std::string& folder);

}  // namespace setup
