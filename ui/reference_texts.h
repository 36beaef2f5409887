#pragma once

#include <string>
#include <vector>

// The fixed texts of the two reference windows, one entry per line.
std::vector<std::string> KeyReferenceLines();
std::vector<std::string> ExampleLines();
