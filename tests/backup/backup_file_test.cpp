#include "backup/backup_file.h"

#include <gtest/gtest.h>

#include <ctime>
#include <fstream>
#include <iterator>

#include "support/fresh_prefix.h"

namespace ordrex {
namespace {

namespace fs = std::filesystem;
using testsupport::ReadAll;

std::chrono::system_clock::time_point LocalTime(int year, int month, int day, int hour,
                                                int minute) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = 30;
  tm.tm_isdst = -1;
  return std::chrono::system_clock::from_time_t(std::mktime(&tm));
}

TEST(BackupFileName, TwelveHourClockWithLeadingZeros) {
  EXPECT_EQ(BackupFileName(LocalTime(2024, 3, 7, 21, 5)), "03-07-2024(09-05PM).reg");
  EXPECT_EQ(BackupFileStem(LocalTime(2024, 11, 23, 0, 30)), "11-23-2024(12-30AM)");
  EXPECT_EQ(BackupFileStem(LocalTime(2025, 1, 1, 12, 0)), "01-01-2025(12-00PM)");
  EXPECT_EQ(BackupFileStem(LocalTime(2025, 12, 31, 11, 59)), "12-31-2025(11-59AM)");
}

TEST(BackupFileEncoding, Version5IsUtf16WithByteOrderMarkAndCrLf) {
  const Bytes bytes = EncodeBackupFile(
      {"Windows Registry Editor Version 5.00", "", "\"caf\xC3\xA9\"=\"\xF0\x9F\x98\x80\""});
  const std::u16string expected =
      u"\uFEFFWindows Registry Editor Version 5.00\r\n\r\n\"caf\u00E9\"=\"\U0001F600\"\r\n";
  Bytes expectedBytes;
  for (char16_t unit : expected) {
    expectedBytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    expectedBytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  EXPECT_EQ(bytes, expectedBytes);
  EXPECT_EQ(bytes[0], 0xFF);
  EXPECT_EQ(bytes[1], 0xFE);
}

TEST(BackupFileEncoding, Regedit4StaysEightBit) {
  const Bytes bytes = EncodeBackupFile({"REGEDIT4", "", "\"a\"=\"\xC3\xA9\""});
  const std::string text(bytes.begin(), bytes.end());
  EXPECT_EQ(text, "REGEDIT4\r\n\r\n\"a\"=\"\xC3\xA9\"\r\n");
}

TEST(BackupFileSave, NeverReplacesAnEarlierBackup) {
  testsupport::ScratchFolder scratch;
  const fs::path folder = scratch.Path() / "deep" / "Backup";
  const auto when = LocalTime(2024, 3, 7, 21, 5);
  const TBackupLines first{"REGEDIT4", "", "[HKEY_CURRENT_USER\\A]"};
  const TBackupLines second{"REGEDIT4", "", "[HKEY_CURRENT_USER\\B]"};
  const fs::path a = SaveBackupFile(first, folder, when);
  const fs::path b = SaveBackupFile(second, folder, when);
  const fs::path c = SaveBackupFile(second, folder, when);
  EXPECT_EQ(a, folder / "03-07-2024(09-05PM).reg");
  EXPECT_EQ(b, folder / "03-07-2024(09-05PM) (2).reg");
  EXPECT_EQ(c, folder / "03-07-2024(09-05PM) (3).reg");
  EXPECT_TRUE(a.is_absolute());
  EXPECT_EQ(ReadAll(a), "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n");
  EXPECT_EQ(ReadAll(b), "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\B]\r\n");
  // Nothing else is left in the folder.
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 3);
}

TEST(BackupFileSave, FolderThatCannotBeMadeIsReported) {
  testsupport::ScratchFolder scratch;
  std::ofstream(scratch.Path() / "file") << "x";
  try {
    SaveBackupFile({"REGEDIT4"}, scratch.Path() / "file" / "Backup",
                   std::chrono::system_clock::now());
    FAIL() << "saved";
  } catch (const std::runtime_error& error) {
    EXPECT_NE(std::string(error.what()).find("Cannot create the backup folder"), std::string::npos)
        << error.what();
  }
}

}  // namespace
}  // namespace ordrex
