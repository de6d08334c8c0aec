// Guards the framework's dates, files and documents: day numbers and their
// parts (before and after day 0), CTime, CFile reads and writes with errors
// reported as file exceptions naming the file, CFileFind patterns matched
// without regard to case, Windows-style names resolved case-insensitively,
// and a document's failed open or save reported through its hook.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "dv_scratch_dir.h"
#include "fw_datetime.h"
#include "fw_document.h"
#include "fw_file.h"
#include "fw_message_box.h"
#include "fw_paths.h"

namespace {

TEST(FrameworkDateTime, DayNumbersAndParts) {
  struct Case {
    int year, month, day, hour, minute, second;
    double expected;
  } cases[] = {
      {1899, 12, 30, 0, 0, 0, 0.0},       {1900, 1, 1, 0, 0, 0, 2.0},
      {1899, 12, 29, 6, 0, 0, -1.25},     {2000, 2, 29, 12, 0, 0, 36585.5},
      {1970, 1, 1, 0, 0, 0, 25569.0},     {9999, 12, 31, 0, 0, 0, 2958465.0},
  };
  for (const Case& c : cases) {
    COleDateTime t(c.year, c.month, c.day, c.hour, c.minute, c.second);
    ASSERT_EQ(t.GetStatus(), COleDateTime::valid);
    EXPECT_DOUBLE_EQ(static_cast<DATE>(t), c.expected) << c.year << "-" << c.month << "-" << c.day;
    COleDateTime back(c.expected);
    EXPECT_EQ(back.GetYear(), c.year);
    EXPECT_EQ(back.GetMonth(), c.month);
    EXPECT_EQ(back.GetDay(), c.day);
    EXPECT_EQ(back.GetHour(), c.hour);
  }
  EXPECT_EQ(COleDateTime(2026, 12, 11, 0, 0, 0).GetDayOfWeek(), 6);  // a Friday
  EXPECT_EQ(COleDateTime(2001, 2, 29, 0, 0, 0).GetStatus(), COleDateTime::invalid);
  EXPECT_EQ(COleDateTime(2001, 2, 29, 0, 0, 0).GetYear(), -1);
  EXPECT_EQ(COleDateTime(2020, 5, 6, 7, 8, 9).Format("%Y-%m-%d %H:%M:%S"), "2020-05-06 07:08:09");
}

TEST(FrameworkDateTime, CurrentTimesAgree) {
  COleDateTime now = COleDateTime::GetCurrentTime();
  CTime ctime = CTime::GetCurrentTime();
  EXPECT_EQ(now.GetStatus(), COleDateTime::valid);
  EXPECT_EQ(now.GetYear(), ctime.GetYear());
  CTime fixed(2021, 3, 4, 5, 6, 7);
  EXPECT_EQ(fixed.Format("%d.%m.%Y %H:%M:%S"), "04.03.2021 05:06:07");
}

TEST(FrameworkFiles, WriteReadSeekAndLength) {
  dv_test::scratch_dir dir;
  std::string path = dir / "data.bin";
  {
    CFile out(path.c_str(), CFile::modeCreate | CFile::modeWrite);
    out.Write("hello world", 11);
  }
  CFile in(path.c_str(), CFile::modeRead);
  EXPECT_EQ(in.GetLength(), 11u);
  in.Seek(6, CFile::begin);
  char buffer[16] = {};
  EXPECT_EQ(in.Read(buffer, sizeof buffer), 5u);
  EXPECT_STREQ(buffer, "world");
  EXPECT_EQ(in.GetFileName(), "data.bin");
}

TEST(FrameworkFiles, MissingFileThrowsFileExceptionNamingIt) {
  dv_test::scratch_dir dir;
  std::string path = dir / "missing.txt";
  try {
    CFile in(path.c_str(), CFile::modeRead);
    FAIL() << "opened a missing file";
  } catch (CFileException* e) {
    EXPECT_EQ(e->m_cause, CFileException::fileNotFound);
    char text[512];
    EXPECT_TRUE(e->GetErrorMessage(text, sizeof text));
    EXPECT_EQ(std::string(text), path + " was not found.");
    e->Delete();
  }
  CFile file;
  CFileException error;
  EXPECT_FALSE(file.Open(path.c_str(), CFile::modeRead, &error));
  EXPECT_EQ(error.m_cause, CFileException::fileNotFound);
}

TEST(FrameworkFiles, WindowsNamesResolveWithoutRegardToCase) {
  dv_test::scratch_dir dir;
  std::filesystem::create_directories(dir / "Languages/German");
  std::ofstream(dir / "Languages/German/language.txt") << "x";
  std::ofstream(dir / "RegionsDE.txt") << "x";
  struct Case {
    std::string written;
    std::string expected;
  } cases[] = {
      {dir.path() + "\\languages\\german\\LANGUAGE.TXT", dir / "Languages/German/language.txt"},
      {dir.path() + "\\Regionsde.txt", dir / "RegionsDE.txt"},
      {dir.path() + "\\languages\\new\\file.txt", dir / "Languages/new/file.txt"},
      {dir.path() + "/missing\\a.txt", dir / "missing/a.txt"},
  };
  for (const Case& c : cases) EXPECT_EQ(std::string(FwNativePath(c.written.c_str())), c.expected) << c.written;
}

TEST(FrameworkFiles, FileFindMatchesPatternsWithoutRegardToCase) {
  dv_test::scratch_dir dir;
  std::filesystem::create_directories(dir / "Help/English");
  std::ofstream(dir / "a.CFG") << "1";
  std::ofstream(dir / "b.cfg") << "22";
  std::ofstream(dir / "c.txt") << "x";
  CFileFind finder;
  std::vector<std::string> names;
  BOOL more = finder.FindFile((dir.path() + "\\*.cfg").c_str());
  while (more) {
    more = finder.FindNextFile();
    names.push_back(std::string(finder.GetFileName()));
  }
  EXPECT_EQ(names, (std::vector<std::string>{"a.CFG", "b.cfg"}));
  EXPECT_EQ(finder.GetLength(), 2u);
  EXPECT_EQ(finder.GetFileTitle(), "b");
  ASSERT_TRUE(finder.FindFile((dir.path() + "\\help\\ENGLISH").c_str()));
  finder.FindNextFile();
  EXPECT_TRUE(finder.IsDirectory());
  EXPECT_FALSE(finder.FindFile((dir.path() + "\\*.xyz").c_str()));
}

// A document whose Serialize fails the way a derived one might.
class FailingDocument : public CDocument {
 public:
  void Serialize(CArchive& archive) override {
    if (archive.IsLoading()) AfxThrowFileException(CFileException::endOfFile, -1, "content.dat");
  }
};

TEST(FrameworkDocument, FailedOpenAndSaveAreReportedThroughTheHook) {
  dv_test::scratch_dir dir;
  FwRecordingMessageBoxes boxes;
  FwMessageBoxes* previous = FwSetMessageBoxes(&boxes);
  FailingDocument doc;
  std::string missing = dir / "none.doc";
  EXPECT_FALSE(doc.OnOpenDocument(missing.c_str()));
  std::string existing = dir / "some.doc";
  std::ofstream(existing) << "x";
  EXPECT_FALSE(doc.OnOpenDocument(existing.c_str()));
  std::string unwritable = dir / "no/such/folder/x.doc";
  EXPECT_FALSE(doc.OnSaveDocument(unwritable.c_str()));
  EXPECT_TRUE(doc.OnSaveDocument(existing.c_str()));
  FwSetMessageBoxes(previous);
  ASSERT_EQ(boxes.shown.size(), 3u);
  EXPECT_EQ(std::string(boxes.shown[0].text), missing + " was not found.");
  EXPECT_EQ(std::string(boxes.shown[1].text), "An attempt was made to read content.dat past its end.");
  EXPECT_EQ(std::string(boxes.shown[2].text), unwritable + " was not found.");
}

}  // namespace

namespace {

TEST(FrameworkFiles, ProgramFolderIsTheExecutablesUnlessOverridden) {
  std::string folder(FwProgramFolder());
  EXPECT_TRUE(std::filesystem::exists(folder + "/framework_files_test")) << folder;
  FwSetProgramFolder("/opt/tallyport");
  EXPECT_STREQ(FwProgramFolder(), "/opt/tallyport");
  FwSetProgramFolder(nullptr);
  EXPECT_EQ(std::string(FwProgramFolder()), folder);
}

}  // namespace
