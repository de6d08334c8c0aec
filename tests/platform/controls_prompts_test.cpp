// Guards the scripted prompts: answers given in advance in order, every
// question recorded, a question with no answer, of another kind or with
// another string id or text refused, file and folder dialogs cancelled by an
// empty answer, and message boxes of the framework reaching the installed
// prompts.
#include <gtest/gtest.h>

#include <functional>

#include "ctl_prompts.h"
#include "ctl_window.h"

namespace {

class ScriptedPrompts : public ::testing::Test {
 protected:
  ScriptedPrompts() : previous(FwSetPrompts(&prompts)) {}
  ~ScriptedPrompts() override { FwSetPrompts(previous); }
  FwScriptedPrompts prompts;
  FwPrompts* previous;
};

TEST_F(ScriptedPrompts, AnswersInOrderAndRecordsEveryQuestion) {
  prompts.ExpectMessageBox(IDNO, 32906);
  prompts.ExpectFileName(TRUE, "/data/Catalogue.csv");
  prompts.ExpectFileName(FALSE, "");
  prompts.ExpectFolder("/data");
  prompts.ExpectOpenDocument(FALSE);
  prompts.ExpectMessageBox(IDYES, 0, "You has't mapped any fields!");

  EXPECT_EQ(AfxMessageBox(32906, MB_YESNO), IDNO);
  CString chosen;
  EXPECT_TRUE(FwGetPrompts().AskFileName({TRUE, "Open", "*.csv|*.csv||", "csv", "", ""}, chosen));
  EXPECT_STREQ(chosen, "/data/Catalogue.csv") << "the case of a path is kept";
  EXPECT_FALSE(FwGetPrompts().AskFileName({FALSE, "Save", "", "", "", ""}, chosen)) << "an empty answer cancels";
  EXPECT_TRUE(FwGetPrompts().BrowseFolder("Pick", chosen));
  EXPECT_STREQ(chosen, "/data");
  EXPECT_FALSE(FwGetPrompts().OpenDocument("/help/1.HTML"));
  EXPECT_EQ(AfxMessageBox("You has't mapped any fields!", MB_YESNO), IDYES);

  ASSERT_EQ(prompts.asked.size(), 6u);
  EXPECT_EQ(prompts.asked[0].stringId, 32906u);
  EXPECT_STREQ(prompts.asked[0].text, "Size");
  EXPECT_EQ(prompts.asked[0].type, UINT(MB_YESNO));
  EXPECT_EQ(prompts.asked[1].kind, FwPromptKind::OpenFile);
  EXPECT_EQ(prompts.asked[2].kind, FwPromptKind::SaveFile);
  EXPECT_EQ(prompts.asked[3].kind, FwPromptKind::Folder);
  EXPECT_STREQ(prompts.asked[4].text, "/help/1.HTML");
  EXPECT_EQ(prompts.asked[5].stringId, 0u);
  EXPECT_EQ(prompts.PendingAnswers(), 0u);
}

TEST_F(ScriptedPrompts, AnUnexpectedQuestionIsRefused) {
  struct Case {
    const char* what;
    std::function<void(FwScriptedPrompts&)> expect;
  } cases[] = {
      {"nothing queued", [](FwScriptedPrompts&) {}},
      {"a file answer queued", [](FwScriptedPrompts& p) { p.ExpectFileName(TRUE, "a"); }},
      {"another string id", [](FwScriptedPrompts& p) { p.ExpectMessageBox(IDOK, 32907); }},
      {"another text", [](FwScriptedPrompts& p) { p.ExpectMessageBox(IDOK, 0, "Other"); }},
  };
  for (const Case& row : cases) {
    FwScriptedPrompts fresh;
    FwSetPrompts(&fresh);
    row.expect(fresh);
    size_t queued = fresh.PendingAnswers();
    EXPECT_THROW(AfxMessageBox(32906), FwUnexpectedPrompt) << row.what;
    EXPECT_EQ(fresh.asked.size(), 1u) << row.what << ": the refused box is recorded too";
    EXPECT_EQ(fresh.PendingAnswers(), queued) << row.what << ": the answer stays for its own question";
  }
  FwSetPrompts(&prompts);
}

TEST(Prompts, NoneInstalledIsAnError) {
  FwPrompts* previous = FwSetPrompts(nullptr);
  EXPECT_THROW(FwGetPrompts(), FwControlError);
  FwSetPrompts(previous);
}

}  // namespace
