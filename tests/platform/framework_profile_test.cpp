// Guards the private-profile (ini) engine against the Windows behaviours
// the program relies on (case, trimming, defaults, cutting at the buffer,
// integer reads, section and name-list reads, writes that create the file
// or section and keep every other line byte for byte, CR/LF files, a
// byte-order mark, the first of repeated sections), its
// robustness (binary junk, lines without '=', a header without ']', a 1 MB
// line, an unreadable file), read-only files, symbolic links and quoted
// values as a user meets them, a failed write that says why, the registry profile file, CIniFile with a
// 2,046-character value, the key-value file, and a profile written by
// another process.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "dv_scratch_dir.h"
#include "dv_test_process.h"
#include "dv_test_seed.h"
#include "fw_profile.h"
#include "fw_registry_profile.h"
#include "ini_file.h"
#include "key_value_file.h"

namespace {

void write(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::string read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string get(const std::string& file, const char* section, const char* key, const char* def = "dflt",
                DWORD size = 256) {
  std::string buffer(size, '#');
  DWORD n = GetPrivateProfileString(section, key, def, buffer.data(), size, file.c_str());
  EXPECT_EQ(buffer[n], '\0');
  return buffer.substr(0, n);
}

const char* const kSample =
    "; settings\r\n"
    "[Wizard Settings]\r\n"
    "  WizardButtons =  1  \r\n"
    "Last File=C:\\shops\\my shop.kvc\r\n"
    "Empty=\r\n"
    "\r\n"
    "[ Paths ]\r\n"
    "Help=Help\r\n"
    "dup=first\r\n"
    "DUP=second\r\n"
    "no equals sign here\r\n"
    "[broken header\r\n"
    "after=broken\r\n"
    "[Other]\n"
    "x=1";

TEST(FrameworkProfile, ReadsFollowWindowsBehaviour) {
  dv_test::scratch_dir dir;
  std::string file = dir / "tallyport.ini";
  write(file, kSample);
  struct Case {
    const char* section;
    const char* key;
    const char* expected;
  } cases[] = {
      {"Wizard Settings", "WizardButtons", "1"},           // trimmed key and value
      {"wizard settings", "wizardbuttons", "1"},           // case of section and key
      {"Wizard Settings", "Last File", "C:\\shops\\my shop.kvc"},
      {"Wizard Settings", "Empty", ""},                    // present but empty: not the default
      {"Wizard Settings", "Missing", "dflt"},              // missing key: the default
      {"Nowhere", "Help", "dflt"},                         // missing section: the default
      {"Paths", "Help", "Help"},                           // a header's name is trimmed
      {"Paths", "dup", "first"},                           // the first of equal keys
      {"Paths", "no equals sign here", "dflt"},            // a line without '=' is no key
      {"Paths", "after", "broken"},                        // a header without ']' is skipped
      {"Other", "x", "1"},                                 // LF ends and no end at all
  };
  for (const Case& c : cases) EXPECT_EQ(get(file, c.section, c.key), c.expected) << c.section << "/" << c.key;
  EXPECT_EQ(get(file, "Nowhere", "k", "  padded default  "), "padded default");
}

// A byte-order mark is no part of the first line, and only the first of
// equal sections counts: a key that only a later copy holds is missing.
TEST(FrameworkProfile, ByteOrderMarkAndRepeatedSections) {
  dv_test::scratch_dir dir;
  std::string file = dir / "repeated.ini";
  write(file, "\xEF\xBB\xBF[s]\r\nk=1\r\n[t]\nk=t\n[ S ]\nk=2\nj=3\n[s\n");
  EXPECT_EQ(get(file, "s", "k"), "1");
  EXPECT_EQ(get(file, "S", "j"), "dflt");
  EXPECT_EQ(get(file, "t", "k"), "t");
  EXPECT_EQ(get(file, "t", "j"), "dflt") << "the later [ S ] ends [t]";
}

TEST(FrameworkProfile, TextsAreCutToTheBuffer) {
  dv_test::scratch_dir dir;
  std::string file = dir / "cut.ini";
  write(file, "[s]\nk=abcdefghij\n");
  EXPECT_EQ(get(file, "s", "k", "", 5), "abcd");
  EXPECT_EQ(get(file, "s", "k", "", 11), "abcdefghij");
  EXPECT_EQ(get(file, "s", "k", "", 1), "");
}

TEST(FrameworkProfile, IntegerReads) {
  dv_test::scratch_dir dir;
  std::string file = dir / "int.ini";
  write(file, "[s]\na=42\nb= -7 \nc=12abc\nd=abc\ne=\n");
  EXPECT_EQ(GetPrivateProfileInt("s", "a", 5, file.c_str()), 42u);
  EXPECT_EQ(static_cast<int>(GetPrivateProfileInt("s", "b", 5, file.c_str())), -7);
  EXPECT_EQ(GetPrivateProfileInt("s", "c", 5, file.c_str()), 12u);
  EXPECT_EQ(GetPrivateProfileInt("s", "d", 5, file.c_str()), 0u);
  EXPECT_EQ(GetPrivateProfileInt("s", "e", 5, file.c_str()), 5u);
  EXPECT_EQ(GetPrivateProfileInt("s", "missing", 5, file.c_str()), 5u);
}

TEST(FrameworkProfile, SectionAndNameListReads) {
  dv_test::scratch_dir dir;
  std::string file = dir / "list.ini";
  write(file, kSample);
  std::vector<char> buffer(32767);
  DWORD n = GetPrivateProfileSection("WIZARD SETTINGS", buffer.data(), 32767, file.c_str());
  std::string lines(buffer.data(), n + 1);
  EXPECT_EQ(lines, std::string("WizardButtons=1\0Last File=C:\\shops\\my shop.kvc\0Empty=\0", 55));
  EXPECT_EQ(GetPrivateProfileSection("Nowhere", buffer.data(), 32767, file.c_str()), 0u);
  EXPECT_EQ(buffer[0], '\0');
  n = GetPrivateProfileString(nullptr, nullptr, "", buffer.data(), 32767, file.c_str());
  EXPECT_EQ(std::string(buffer.data(), n), std::string("Wizard Settings\0Paths\0Other\0", 28));
  n = GetPrivateProfileString("Other", nullptr, "", buffer.data(), 32767, file.c_str());
  EXPECT_EQ(std::string(buffer.data(), n), std::string("x\0", 2));
  // Cut: as much as fits, then two NULs.
  n = GetPrivateProfileSection("Wizard Settings", buffer.data(), 10, file.c_str());
  EXPECT_EQ(n, 8u);
  EXPECT_EQ(std::string(buffer.data(), 10), std::string("WizardBu\0\0", 10));
}

// Every buffer size, also one that a whole line fills to its last byte but
// one: the list is cut within the buffer and ends with two NULs.
TEST(FrameworkProfile, ListsCutAtEveryBufferSize) {
  dv_test::scratch_dir dir;
  std::string file = dir / "list.ini";
  write(file, kSample);
  const std::string whole("WizardButtons=1\0Last File=C:\\shops\\my shop.kvc\0Empty=\0", 54);
  for (DWORD size = 2; size <= whole.size() + 2; ++size) {
    SCOPED_TRACE("size " + std::to_string(size));
    std::string buffer(size + 16, '#');
    DWORD n = GetPrivateProfileSection("Wizard Settings", buffer.data(), size, file.c_str());
    EXPECT_EQ(buffer.substr(size), std::string(16, '#')) << "written past the buffer";
    ASSERT_LT(n, size);
    EXPECT_EQ(buffer.substr(0, n), whole.substr(0, n));
    // A reader that walks the texts up to the empty one stays in the buffer.
    size_t at = 0;
    while (at < size && buffer[at] != '\0') at += std::strlen(buffer.c_str() + at) + 1;
    EXPECT_LT(at, size);
  }
}

TEST(FrameworkProfile, WritesKeepEveryOtherLine) {
  dv_test::scratch_dir dir;
  std::string file = dir / "write.ini";
  write(file, kSample);
  ASSERT_TRUE(WritePrivateProfileString("wizard settings", "WIZARDBUTTONS", "0", file.c_str()));
  ASSERT_TRUE(WritePrivateProfileString("Paths", "New Key", "v", file.c_str()));
  ASSERT_TRUE(WritePrivateProfileString("Added", "k", "value", file.c_str()));
  std::string expected = kSample;
  expected.replace(expected.find("  WizardButtons =  1  "), 22, "WizardButtons=0");
  expected.replace(expected.find("after=broken\r\n") + 14, 0, "New Key=v\r\n");  // after the last key
  expected += "\r\n[Added]\r\nk=value\r\n";
  EXPECT_EQ(read(file), expected);
  EXPECT_EQ(get(file, "Added", "k"), "value");
}

TEST(FrameworkProfile, WriteCreatesTheFileAndRefusesLineBreaks) {
  dv_test::scratch_dir dir;
  std::string file = dir / "new.ini";
  ASSERT_TRUE(WritePrivateProfileString("S", "k", "v", file.c_str()));
  EXPECT_EQ(read(file), "[S]\r\nk=v\r\n");
  EXPECT_FALSE(WritePrivateProfileString("S", "k", "v\r\n[Injected]", file.c_str()));
  EXPECT_FALSE(WritePrivateProfileString("S", "a=b", "v", file.c_str()));
  EXPECT_FALSE(WritePrivateProfileString("S", "k", "v", (dir / "no/such/dir.ini").c_str()));
  EXPECT_EQ(read(file), "[S]\r\nk=v\r\n");
}

// The profile as an ordinary user meets it: a read-only file is not written
// and the write fails saying why; a symbolic link is written through to its
// file and stays a link; a value between equal quotes reads without them.
TEST(FrameworkProfile, ReadOnlyFilesLinksAndQuotes) {
  dv_test::scratch_dir dir;
  const std::string readonly = dir / "readonly.ini";
  write(readonly, "[s]\nk=v\n");
  ::chmod(readonly.c_str(), 0444);
  EXPECT_FALSE(WritePrivateProfileString("s", "k", "changed", readonly.c_str()));
  EXPECT_EQ(read(readonly), "[s]\nk=v\n");
  EXPECT_EQ(std::string(FwProfileWriteFailure()), readonly + ": the file or its folder is read-only");
  EXPECT_FALSE(CIniFile(readonly.c_str()).WriteString("s", "k", "changed"));
  EXPECT_EQ(std::string(CIniFile::LastWriteFailure()), readonly + ": the file or its folder is read-only");
  EXPECT_FALSE(CIniFile().WriteString("s", "k", "v"));
  EXPECT_EQ(std::string(CIniFile::LastWriteFailure()), "no settings file is named");

  ::mkdir((dir / "real").c_str(), 0755);
  const std::string target = dir / "real/settings.ini";
  write(target, "[s]\nk=v\n");
  const std::string link = dir / "link.ini";
  ASSERT_EQ(::symlink("real/settings.ini", link.c_str()), 0);
  ASSERT_TRUE(WritePrivateProfileString("s", "k", "through", link.c_str()));
  EXPECT_EQ(std::string(FwProfileWriteFailure()), "");
  struct stat st;
  ASSERT_EQ(::lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the link was replaced by a file";
  EXPECT_EQ(read(target), "[s]\nk=through\n");

  const std::string quoted = dir / "quoted.ini";
  write(quoted, "[q]\ndouble=\"C:\\My Shops\\\"\nsingle=' padded '\nodd=\"open\nmixed=\"x'\nlone=\"\ninner=a\"b\"c\n");
  struct Case {
    const char* key;
    const char* value;
  } cases[] = {{"double", "C:\\My Shops\\"}, {"single", " padded "}, {"odd", "\"open"},
               {"mixed", "\"x'"},                {"lone", "\""},         {"inner", "a\"b\"c"}};
  for (const Case& c : cases) EXPECT_EQ(get(quoted, "q", c.key), c.value) << c.key;
}

// A write that cannot be made whole leaves the file as it was and says why:
// here the file-size limit of the process.
TEST(FrameworkProfile, AWriteThatFailsLeavesTheFileAndSaysWhy) {
  dv_test::scratch_dir dir;
  const std::string file = dir / "limited.ini";
  write(file, "[s]\nk=v\n");
  pid_t child = ::fork();
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = {64, 64};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    BOOL written = WritePrivateProfileString("s", "k", std::string(200, 'x').c_str(), file.c_str());
    std::string why(FwProfileWriteFailure());
    ::_exit(!written && why == file + ": the file is too large" ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(read(file), "[s]\nk=v\n");
}

// Processes writing one ini file at once (two wizards sharing a program
// folder) lose none of one another's settings, and a reader always finds
// the file whole.
TEST(FrameworkProfile, WritesOfSeveralProcessesAreNeverLost) {
  dv_test::scratch_dir dir;
  const std::string file = dir / "shared.ini";
  write(file, "[shared]\nfirst=1\n");
  constexpr int kWriters = 4, kKeys = 40;
  std::vector<pid_t> children;
  for (int w = 0; w < kWriters; ++w) {
    pid_t child = ::fork();
    if (child == 0) {
      bool ok = true;
      for (int k = 0; k < kKeys; ++k) {
        std::string key = "w" + std::to_string(w) + "k" + std::to_string(k);
        ok = WritePrivateProfileString("shared", key.c_str(), key.c_str(), file.c_str()) && ok;
        char check[16];
        ok = GetPrivateProfileString("shared", "first", "", check, sizeof check, file.c_str()) == 1 && ok;
      }
      ::_exit(ok ? 0 : 1);
    }
    children.push_back(child);
  }
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a writer failed or read a broken file";
  }
  int missing = 0;
  for (int w = 0; w < kWriters; ++w) {
    for (int k = 0; k < kKeys; ++k) {
      std::string key = "w" + std::to_string(w) + "k" + std::to_string(k);
      if (get(file, "shared", key.c_str(), "") != key) ++missing;
    }
  }
  EXPECT_EQ(missing, 0);
}

TEST(FrameworkProfile, JunkHugeAndUnreadableFilesNeitherCrashNorLoseData) {
  dv_test::scratch_dir dir;
  std::string junk = dir / "junk.ini";
  std::string bytes("\x00\x01\xFF[\xFE\n=novalue\n[s\x00x]\nk=v\n", 25);
  bytes += "[big]\nhuge=" + std::string(1 << 20, 'x') + "\nafter=1\n";
  write(junk, bytes);
  EXPECT_EQ(get(junk, "big", "after"), "1");
  EXPECT_EQ(get(junk, "big", "huge", "", 2048).size(), 2047u);
  ASSERT_TRUE(WritePrivateProfileString("big", "after", "2", junk.c_str()));
  std::string changed = read(junk);
  EXPECT_EQ(changed.substr(0, 25), bytes.substr(0, 25));
  EXPECT_EQ(get(junk, "big", "after"), "2");

  std::string locked = dir / "locked.ini";
  write(locked, "[s]\nk=v\n");
  ::chmod(locked.c_str(), 0);
  if (::access(locked.c_str(), R_OK) != 0) {  // root reads anything
    EXPECT_EQ(get(locked, "s", "k"), "dflt");
    EXPECT_FALSE(WritePrivateProfileString("s", "k2", "v", locked.c_str()));
    ::chmod(locked.c_str(), 0600);
    EXPECT_EQ(read(locked), "[s]\nk=v\n");
  }
  // A folder where a file is expected reads as empty.
  EXPECT_EQ(get(dir.path(), "s", "k"), "dflt");
}

TEST(FrameworkProfile, RegistryProfileLivesInTheConfigurationFolder) {
  dv_test::scratch_dir dir;
  ::setenv("DV_FRAME_CONFIG_HOME", dir.path().c_str(), 1);
  FwRegistryProfile profile("Kestrel\\Import Wizard", "1.23");
  EXPECT_EQ(std::string(profile.GetFilePath()), dir / "Kestrel/Import Wizard/1.23.ini");
  EXPECT_EQ(profile.GetProfileString("Paths", "Help", "Help"), "Help");
  ASSERT_TRUE(profile.WriteProfileString("Paths", "Help", "Hilfe"));
  ASSERT_TRUE(profile.WriteProfileInt("Defaults", "Count", 12));
  std::string long_value(5000, 'v');
  ASSERT_TRUE(profile.WriteProfileString("Paths", "Long", long_value.c_str()));
  FwRegistryProfile again("Kestrel\\Import Wizard", "1.23");
  EXPECT_EQ(again.GetProfileString("paths", "help", "Help"), "Hilfe");
  EXPECT_EQ(again.GetProfileInt("Defaults", "Count", 0), 12u);
  EXPECT_EQ(std::string(again.GetProfileString("Paths", "Long")), long_value);
  ::unsetenv("DV_FRAME_CONFIG_HOME");
}

TEST(FrameworkIniFile, ValueOf2046CharactersArrivesWhole) {
  dv_test::scratch_dir dir;
  std::string file = dir / "t.ini";
  std::string v2046(2046, 'a');
  std::string v3000(3000, 'b');
  write(file, "[s]\nk=" + v2046 + "\nlong=" + v3000 + "\n");
  CIniFile ini(file.c_str());
  EXPECT_EQ(std::string(ini.GetString("s", "k")), v2046);
  EXPECT_EQ(std::string(ini.GetString("s", "long")), v3000.substr(0, 2046));
  EXPECT_TRUE(ini.GetString("s", "missing").IsEmpty());
  EXPECT_TRUE(ini.WriteString("s", "n", "1"));
  CIniFile unwritable((dir / "no/such/folder/t.ini").c_str());
  EXPECT_FALSE(unwritable.WriteString("s", "k", "v"));
  CIniFile none;
  EXPECT_TRUE(none.GetString("s", "k").IsEmpty());
  EXPECT_FALSE(none.WriteString("s", "k", "v"));
}

TEST(FrameworkKeyValueFile, LinesAndMerging) {
  dv_test::scratch_dir dir;
  std::string first = dir / "language.txt";
  write(first,
        "  HTML_LANGUAGE  =  en  \r\n"
        "a=b=c\n"
        "# comment=1\n"
        "; comment=2\n"
        "@at=3\n"
        "no equals\n"
        "\n"
        "k=1\n"
        "k=2\n"
        "Case=upper\n");
  CKeyValueFile file;
  ASSERT_EQ(file.Load(first.c_str(), 0), 1);
  struct Case {
    const char* key;
    const char* expected;
  } cases[] = {
      {"HTML_LANGUAGE", "en"}, {"a", "b=c"}, {"# comment", ""}, {"; comment", ""}, {"@at", ""},
      {"no equals", ""},       {"k", "2"},   {"case", ""},      {"Case", "upper"},
  };
  for (const Case& c : cases) {
    CString value("stale");
    file.Lookup(value, c.key);
    EXPECT_STREQ(value, c.expected) << c.key;
  }
  std::string second = dir / "more.txt";
  write(second, "k=3\nnew=4\n");
  ASSERT_EQ(file.Load(second.c_str(), 1), 1);
  CString value;
  file.Lookup(value, "k");
  EXPECT_STREQ(value, "2");
  file.Lookup(value, "new");
  EXPECT_STREQ(value, "4");
  EXPECT_EQ(file.Load((dir / "missing.txt").c_str(), 0), 0);
  file.Lookup(value, "k");
  EXPECT_STREQ(value, "");  // emptied before the failed open
}

}  // namespace

namespace {

// Random writes and reads of an ini file against a map of (section, key)
// folded to lower case; the file's junk lines must survive every write.
TEST(FrameworkProfile, ModelOfWritesAndReads) {
  unsigned seed = dv_test::seed();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 random(seed);
  dv_test::scratch_dir dir;
  std::string file = dir / "model.ini";
  const std::string junk = "; kept comment\r\n\x01\x02 junk without equals\r\n";
  write(file, junk);
  std::map<std::pair<std::string, std::string>, std::string> model;
  auto lower = [](std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
  };
  auto vary_case = [&](std::string s) {
    for (char& c : s) {
      if (random() % 2) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return s;
  };
  for (int step = 0; step < 300; ++step) {
    std::string section = "sec" + std::to_string(random() % 5);
    std::string key = "key" + std::to_string(random() % 8);
    if (random() % 3 != 0) {
      std::string value = "v" + std::to_string(random() % 1000) + (random() % 4 == 0 ? " with blanks" : "");
      ASSERT_TRUE(WritePrivateProfileString(vary_case(section).c_str(), vary_case(key).c_str(), value.c_str(),
                                            file.c_str()));
      model[{lower(section), lower(key)}] = value;
    }
    auto it = model.find({lower(section), lower(key)});
    std::string expected = it == model.end() ? "<none>" : it->second;
    ASSERT_EQ(get(file, vary_case(section).c_str(), vary_case(key).c_str(), "<none>"), expected) << "step " << step;
    ASSERT_EQ(read(file).substr(0, junk.size()), junk) << "step " << step;
  }
  // Every key of the model, and only those, in each section's name list.
  for (int s = 0; s < 5; ++s) {
    std::string section = "sec" + std::to_string(s);
    std::vector<char> buffer(32767);
    DWORD n = GetPrivateProfileString(section.c_str(), nullptr, "", buffer.data(), 32767, file.c_str());
    std::set<std::string> listed;
    for (const char* p = buffer.data(); p < buffer.data() + n; p += std::strlen(p) + 1) listed.insert(lower(p));
    std::set<std::string> expected;
    for (const auto& entry : model) {
      if (entry.first.first == section) expected.insert(entry.first.second);
    }
    EXPECT_EQ(listed, expected) << section;
  }
}

}  // namespace

namespace {

// A profile written by another process is read here: nothing is shared but
// the file.
TEST(FrameworkProfile, ChildWritesRegistryProfile) {
  if (dv_test::is_child()) {
    FwRegistryProfile profile("Kestrel", "Import Wizard");
    bool ok = profile.WriteProfileString("Paths", "Templates", "C:\\Shop\\Templates") &&
              profile.WriteProfileInt("Defaults", "Runs", 3);
    std::exit(ok ? 0 : 1);
  }
  dv_test::scratch_dir dir;
  ASSERT_EQ(dv_test::run_child("FrameworkProfile.ChildWritesRegistryProfile", {{"DV_FRAME_CONFIG_HOME", dir.path()}}),
            0);
  ::setenv("DV_FRAME_CONFIG_HOME", dir.path().c_str(), 1);
  FwRegistryProfile profile("Kestrel", "Import Wizard");
  EXPECT_STREQ(profile.GetProfileString("PATHS", "templates", "Templates"), "C:\\Shop\\Templates");
  EXPECT_EQ(profile.GetProfileInt("Defaults", "Runs", 0), 3u);
  ::unsetenv("DV_FRAME_CONFIG_HOME");
}

}  // namespace
