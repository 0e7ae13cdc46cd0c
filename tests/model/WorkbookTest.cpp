#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "context/ApplicationContext.h"
#include "model/ModelTestSupport.h"
#include "model/Sheet.h"
#include "model/Workbook.h"

namespace quadrell {
namespace {

using test::ModelFixture;

class WorkbookTest : public ::testing::Test, public ModelFixture {
 protected:
  void SetUp() override { workbook.AddSheetListener(&Record, &heard); }
  static void Record(void* data, Sheet* s) { static_cast<std::vector<Sheet*>*>(data)->push_back(s); }
  std::vector<Sheet*> heard;
};

TEST_F(WorkbookTest, NewWorkbookHasOneActiveSheetNamedByLanguage) {
  EXPECT_EQ(workbook.GetSheetCount(), 1);
  EXPECT_EQ(workbook.GetActiveSheet()->GetName(), u"Sheet");
  EXPECT_EQ(workbook.GetName(), u"test");
  EXPECT_EQ(workbook.GetFileType(), kFileTypeNone);
  LoadLanguage(u"de");
  Workbook german(u"unbenannt", nullptr);
  EXPECT_EQ(german.GetActiveSheet()->GetName(), u"Tabellenblatt");
  EXPECT_EQ(german.GetActiveSheet()->GetHost(), nullptr);
  LoadLanguage(u"en");
}

TEST_F(WorkbookTest, AddingKeepsTheActiveSheetAndTellsListeners) {
  Sheet* second = workbook.AddSheet();
  Sheet* third = workbook.AddSheet(u"Data");
  EXPECT_EQ(workbook.GetActiveSheet(), sheet);
  EXPECT_EQ(third->GetName(), u"Data");
  EXPECT_EQ(heard, (std::vector<Sheet*>{second, third}));
  workbook.ResetSheets();
  EXPECT_EQ(workbook.NextSheet(), sheet);
  EXPECT_EQ(workbook.NextSheet(), second);
  EXPECT_EQ(workbook.NextSheet(), third);
  EXPECT_EQ(workbook.NextSheet(), nullptr);
  workbook.SetActiveSheet(third);
  EXPECT_EQ(workbook.GetActiveSheet(), third);
  workbook.SetActiveSheet(nullptr);
  EXPECT_EQ(workbook.GetActiveSheet(), third);
  EXPECT_EQ(heard.back(), nullptr);  // listeners hear of every call
}

TEST_F(WorkbookTest, RemovingKeepsTheSheetForReinsertion) {
  workbook.RemoveSheet(sheet);  // the last sheet stays
  EXPECT_EQ(workbook.GetSheetCount(), 1);
  EXPECT_EQ(heard, std::vector<Sheet*>{sheet});

  Sheet* second = workbook.AddSheet();
  Sheet* third = workbook.AddSheet();
  workbook.SetActiveSheet(second);
  sheet->GetCellDirect(1, 0)->SetInput(u"kept");
  second->GetCellDirect(2, 2)->SetInput(u"kept too");
  heard.clear();
  workbook.RemoveSheet(second);
  EXPECT_EQ(workbook.GetSheetCount(), 2);
  EXPECT_EQ(workbook.GetActiveSheet(), sheet);
  EXPECT_EQ(heard, std::vector<Sheet*>{sheet});
  EXPECT_EQ(workbook.IndexOfSheet(second), -1);

  EXPECT_EQ(workbook.InsertSheet(second, 1), second);
  EXPECT_EQ(workbook.GetSheet(1), second);
  EXPECT_EQ(workbook.GetSheet(2), third);
  EXPECT_EQ(second->GetCellText(2, 2), u"kept too");
  EXPECT_EQ(heard.back(), second);
  EXPECT_EQ(workbook.InsertSheet(second, 0), nullptr);  // listed already

  workbook.RemoveSheet(sheet);
  EXPECT_EQ(workbook.InsertSheet(sheet, 0), sheet);
  EXPECT_EQ(workbook.GetSheet(0), sheet);
  workbook.RemoveSheet(third);
  EXPECT_EQ(workbook.InsertSheet(third, workbook.GetSheetCount()), third);
  EXPECT_EQ(workbook.GetSheet(2), third);
  workbook.RemoveSheet(third);
  EXPECT_EQ(workbook.InsertSheet(third, 99), third);  // clamped to the end
  EXPECT_EQ(workbook.GetSheet(2), third);
}

TEST_F(WorkbookTest, RemovedListenerHearsNoMore) {
  workbook.RemoveSheetListener(&heard);
  workbook.AddSheet();
  EXPECT_TRUE(heard.empty());
}

}  // namespace
}  // namespace quadrell
