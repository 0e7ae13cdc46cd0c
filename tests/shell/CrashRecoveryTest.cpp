#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>
#include <set>
#include <string>

#include "context/ApplicationContext.h"
#include "loadsave/LoadSaveXlsx.h"
#include "model/Cell.h"
#include "model/Sheet.h"
#include "model/Workbook.h"
#include "platform/CrashHandler.h"
#include "shell/Application.h"
#include "view/SheetContainer.h"

namespace quadrell {
namespace {

std::set<std::string> RecoveryCopies() {
  std::set<std::string> found;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(GetContext().Folder(), error)) {
    if (entry.path().extension() == ".xlsx") found.insert(entry.path().string());
  }
  return found;
}

void CrashWithTwoOpenWorkbooks() {
  for (const char16_t* text : {u"42", u"Recovered"}) {
    Application& app = Application::Create(kKindSheet);
    auto& sheets = static_cast<SheetContainer&>(app.GetContainer());
    sheets.GetWorkbook().GetActiveSheet()->GetCellDirect(1, 0)->SetInput(text);
  }
  InstallCrashHandler(EmergencySaveAllWindows);
  raise(SIGSEGV);
}

TEST(CrashRecoveryTest, AFatalErrorLeavesAnXlsxCopyOfEveryOpenWorkbook) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");  // a fresh process: the window system has threads
  std::set<std::string> before = RecoveryCopies();
  EXPECT_EXIT(CrashWithTwoOpenWorkbooks(), ::testing::KilledBySignal(SIGSEGV), "");
  std::set<std::string> texts;
  int copies = 0;
  for (const std::string& path : RecoveryCopies()) {
    if (before.count(path)) continue;
    ++copies;
    std::unique_ptr<Workbook> recovered = LoadXlsx(path, nullptr);
    ASSERT_NE(recovered, nullptr) << path;
    std::u16string input = recovered->GetActiveSheet()->GetCellDirect(1, 0)->GetInput();
    texts.insert(std::string(input.begin(), input.end()));
    std::filesystem::remove(path);
  }
  EXPECT_EQ(copies, 2);
  EXPECT_EQ(texts, (std::set<std::string>{"42", "Recovered"}));
}

}  // namespace
}  // namespace quadrell
