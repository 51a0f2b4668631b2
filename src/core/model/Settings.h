// The settings functions over the two private profile files "gnanre.ini" and "usanre.ini". Every
// value is text; integers are stored in decimal. A key read once exists in the file afterwards.
#pragma once

#include <chrono>
#include <string>

namespace vorla {

class UserInterface;

// The value of key, "0" when absent (and "0" is then written for it), or "*fail" when the file
// does not exist and cannot be created (after reporting program error "23164").
std::string ReadSetting(UserInterface& ui, const std::string& path, const std::string& key,
                        const std::string& section = "general");
// false: nothing written (the file could not be created, which is reported as "23164", or not be
// rewritten, or the value holds a line break).
bool WriteSetting(UserInterface& ui, const std::string& path, const std::string& key,
                  const std::string& value, const std::string& section = "general");
bool WriteIntSetting(UserInterface& ui, const std::string& path, const std::string& key, int value,
                     const std::string& section = "general");
// ReadSetting followed by the string-to-integer rule ("*fail" and other non-numbers read as 0).
int ReadIntSetting(UserInterface& ui, const std::string& path, const std::string& key,
                   const std::string& section = "general");

// The string-to-integer rule used for every text the program turns into a number: optional
// blanks, an optional sign, then decimal digits up to the first other character; no digits read
// as 0. Out-of-range values saturate at the int limits.
int TextToInt(const std::string& text);

// Waits until path can be opened for reading while no other process holds a lock on it: another
// program that is still writing the file is expected to hold a flock() lock. Linux has no
// share mode that keeps other readers out, so an exclusive advisory lock taken and dropped at
// once stands for it. true as soon as that succeeds; false after `retries` further attempts
// `pause` apart (300 x 10 ms: about three seconds).
bool WaitForFileAccess(const std::string& path, int retries = 300,
                       std::chrono::milliseconds pause = std::chrono::milliseconds(10));

}  // namespace vorla
