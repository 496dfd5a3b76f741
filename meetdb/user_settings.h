// The user settings database User.ini: one table of four text fields, one record.
#pragma once

#include <array>
#include <string>

namespace kvt::meetdb {

// Makes a settings database at path holding one record of the four settings (in the order of
// ui::UserSettingsFields). It is written beside the path and put in place when it is whole,
// so a failure leaves no file behind; throws on failure.
void MakeUserSettingsFile(const std::string& path, const std::array<std::string, 4>& values);

}  // namespace kvt::meetdb
