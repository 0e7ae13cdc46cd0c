#include "loadsave/XlsxCharts.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "context/ApplicationContext.h"
#include "loadsave/Container.h"
#include "loadsave/XlsxCommon.h"
#include "model/ColorScheme.h"
#include "model/Util.h"
#include "value/NumberText.h"
#include "value/Unicode.h"

namespace quadrell {

namespace {

constexpr std::string_view kChartNs = "http://schemas.openxmlformats.org/drawingml/2006/chart";
constexpr std::string_view kDrawingNs = "http://schemas.openxmlformats.org/drawingml/2006/main";
constexpr std::string_view kRelNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

std::string U8(std::u16string_view text) { return Utf16ToUtf8(text); }

std::string Number(double x) { return std::isfinite(x) ? GeneralForm(x) : "0"; }

std::string Hex(Colour c) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (int v : {RedOf(c), GreenOf(c), BlueOf(c)}) {
    out += digits[(v >> 4) & 15];
    out += digits[v & 15];
  }
  return out;
}

XmlNode* Val(XmlNode* parent, std::string_view name, std::string_view value) {
  return parent->AppendChild(name)->SetAttribute("val", value);
}

// The title's estimated width as a fraction of the chart's width: the same
// estimate both ways, so a written title comes back where it stood.
double TitleHalfWidth(std::u16string_view title, double aspect) {
  return std::min(0.5, static_cast<double>(title.size()) * 0.55 * 0.06 * aspect / 2);
}

void ManualLayout(XmlNode* parent, double x, double y, double w, double h, bool inner, bool size) {
  XmlNode* m = parent->AppendChild("c:layout")->AppendChild("c:manualLayout");
  if (inner) Val(m, "c:layoutTarget", "inner");
  Val(m, "c:xMode", "edge");
  Val(m, "c:yMode", "edge");
  Val(m, "c:x", Number(x));
  Val(m, "c:y", Number(y));
  if (size) {
    Val(m, "c:w", Number(w));
    Val(m, "c:h", Number(h));
  }
}

void StringReference(XmlNode* parent, std::u16string_view ref, const std::vector<std::u16string>& texts) {
  XmlNode* s = parent->AppendChild("c:strRef");
  s->AppendChild("c:f")->SetText(U8(ref));
  XmlNode* cache = s->AppendChild("c:strCache");
  Val(cache, "c:ptCount", std::to_string(texts.size()));
  for (size_t i = 0; i < texts.size(); ++i) {
    XmlNode* pt = cache->AppendChild("c:pt")->SetAttribute("idx", std::to_string(i));
    pt->AppendChild("c:v")->SetText(U8(texts[i]));
  }
}

void NumberReference(XmlNode* parent, std::u16string_view ref, const std::vector<double>& values) {
  XmlNode* n = parent->AppendChild("c:numRef");
  n->AppendChild("c:f")->SetText(U8(ref));
  XmlNode* cache = n->AppendChild("c:numCache");
  cache->AppendChild("c:formatCode")->SetText("General");
  Val(cache, "c:ptCount", std::to_string(values.size()));
  for (size_t i = 0; i < values.size(); ++i) {
    if (!std::isfinite(values[i])) continue;  // a gap
    XmlNode* pt = cache->AppendChild("c:pt")->SetAttribute("idx", std::to_string(i));
    pt->AppendChild("c:v")->SetText(Number(values[i]));
  }
}

bool NeedsQuotes(std::u16string_view name) {
  if (name.empty()) return true;
  for (char16_t c : name) {
    bool plain = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'_' || c > 127;
    if (!plain) return true;
  }
  return name[0] >= u'0' && name[0] <= u'9';
}

}  // namespace

std::u16string ChartReference(std::u16string_view sheetName, const ChartBlock& b) {
  std::u16string out;
  if (NeedsQuotes(sheetName)) {
    out += u'\'';
    for (char16_t c : sheetName) {
      out += c;
      if (c == u'\'') out += u'\'';
    }
    out += u'\'';
  } else {
    out += sheetName;
  }
  auto cell = [&](int32_t column, int32_t row) {
    out += u'$';
    out += ColumnName(column);
    out += u'$';
    AppendGeneralForm(out, row);
  };
  out += u'!';
  cell(b.firstColumn, b.firstRow);
  if (b.lastColumn != b.firstColumn || b.lastRow != b.firstRow) {
    out += u':';
    cell(b.lastColumn, b.lastRow);
  }
  return out;
}

bool ParseChartReference(std::u16string_view text, std::u16string& sheetName, ChartBlock& block) {
  // Some programs put the reference in parentheses.
  while (!text.empty() && (text.front() == u'(' || text.front() == u' ')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == u')' || text.back() == u' ')) text.remove_suffix(1);
  size_t bang = text.rfind(u'!');
  if (bang == std::u16string_view::npos) return false;
  std::u16string_view name = text.substr(0, bang);
  sheetName.clear();
  if (name.size() >= 2 && name.front() == u'\'' && name.back() == u'\'') {
    name = name.substr(1, name.size() - 2);
    for (size_t i = 0; i < name.size(); ++i) {
      sheetName += name[i];
      if (name[i] == u'\'' && i + 1 < name.size() && name[i + 1] == u'\'') ++i;
    }
  } else {
    sheetName = name;
  }
  std::u16string_view cells = text.substr(bang + 1);
  auto readCell = [](std::u16string_view t, int32_t& column, int32_t& row) {
    size_t i = 0;
    if (i < t.size() && t[i] == u'$') ++i;
    size_t letters = i;
    while (i < t.size() && ((t[i] >= u'A' && t[i] <= u'Z') || (t[i] >= u'a' && t[i] <= u'z'))) ++i;
    if (i == letters || i - letters > 3) return false;
    std::u16string upper(t.substr(letters, i - letters));
    for (char16_t& c : upper) c = c >= u'a' ? static_cast<char16_t>(c - 32) : c;
    column = ColumnIndex(upper);
    if (i < t.size() && t[i] == u'$') ++i;
    if (i >= t.size()) return false;
    int64_t r = 0;
    for (; i < t.size(); ++i) {
      if (t[i] < u'0' || t[i] > u'9') return false;
      r = r * 10 + (t[i] - u'0');
      if (r > kXlsxMaxRows) return false;
    }
    row = static_cast<int32_t>(r);
    return row >= 1 && column >= 0 && column < kXlsxMaxColumns;
  };
  size_t colon = cells.find(u':');
  if (!readCell(cells.substr(0, colon), block.firstColumn, block.firstRow)) return false;
  if (colon == std::u16string_view::npos) {
    block.lastColumn = block.firstColumn;
    block.lastRow = block.firstRow;
  } else if (!readCell(cells.substr(colon + 1), block.lastColumn, block.lastRow)) {
    return false;
  }
  if (block.lastColumn < block.firstColumn) std::swap(block.firstColumn, block.lastColumn);
  if (block.lastRow < block.firstRow) std::swap(block.firstRow, block.lastRow);
  return true;
}

// ---------------------------------------------------------------- writing

void BuildChartPart(LineChart& chart, std::u16string_view sheetName, XmlDocument& out) {
  const ChartSetup& s = chart.GetSetup();
  const ChartData data = chart.ReadData();
  const double aspect = static_cast<double>(chart.GetObjectHeight()) / std::max(1, chart.GetObjectWidth());
  XmlNode* root = out.AppendRoot("c:chartSpace");
  root->SetAttribute("xmlns:c", kChartNs)->SetAttribute("xmlns:a", kDrawingNs)->SetAttribute("xmlns:r", kRelNs);
  Val(root, "c:roundedCorners", "0");
  XmlNode* c = root->AppendChild("c:chart");
  if (s.showTitle) {
    XmlNode* title = c->AppendChild("c:title");
    XmlNode* rich = title->AppendChild("c:tx")->AppendChild("c:rich");
    rich->AppendChild("a:bodyPr");
    XmlNode* p = rich->AppendChild("a:p");
    p->AppendChild("a:pPr")->AppendChild("a:defRPr")->SetAttribute("b", "0");
    XmlNode* run = p->AppendChild("a:r");
    run->AppendChild("a:rPr")->SetAttribute("lang", "en-US")->SetAttribute("b", "0");
    run->AppendChild("a:t")->SetText(U8(s.title));
    ManualLayout(title, std::max(0.0, s.titleCenterX - TitleHalfWidth(s.title, aspect)), s.titleTop, 0, 0, false,
                 false);
    Val(title, "c:overlay", "0");
  }
  Val(c, "c:autoTitleDeleted", s.showTitle ? "0" : "1");
  XmlNode* plot = c->AppendChild("c:plotArea");
  ManualLayout(plot, s.plotLeft, s.plotTop, s.plotRight - s.plotLeft, s.plotBottom - s.plotTop, true, true);

  const bool pie = s.type == kChartPie;
  const bool bar = s.type == kChartBar || s.type == kChartStackedBar || s.type == kChartPercentBar;
  const bool area = s.type == kChartStackedArea;
  XmlNode* group = plot->AppendChild(pie ? "c:pieChart" : bar ? "c:barChart" : area ? "c:areaChart" : "c:lineChart");
  if (bar) Val(group, "c:barDir", "col");
  if (!pie) {
    const char* grouping = "standard";
    if (s.type == kChartStackedLine || s.type == kChartStackedBar || area) grouping = "stacked";
    if (s.type == kChartPercentLine || s.type == kChartPercentBar) grouping = "percentStacked";
    if (s.type == kChartBar) grouping = "clustered";
    Val(group, "c:grouping", grouping);
  }
  Val(group, "c:varyColors", pie ? "1" : "0");

  const ChartBlock& d = s.data;
  std::u16string categoryRef;
  if (data.HasCategories()) categoryRef = ChartReference(sheetName, {d.firstColumn, d.firstRow, d.firstColumn, d.lastRow});
  size_t seriesCount = data.series.size();
  for (size_t i = 0; i < seriesCount; ++i) {
    int32_t column = data.firstSeriesColumn + static_cast<int32_t>(i);
    XmlNode* ser = group->AppendChild("c:ser");
    Val(ser, "c:idx", std::to_string(i));
    Val(ser, "c:order", std::to_string(i));
    if (s.header && column >= s.header->firstColumn && column <= s.header->lastColumn) {
      StringReference(ser->AppendChild("c:tx"), ChartReference(sheetName, {column, s.header->firstRow, column, s.header->firstRow}),
                      {data.names[i]});
    }
    Colour colour = GetColorScheme().GetSchemeColor(static_cast<int32_t>(i));
    XmlNode* sp = ser->AppendChild("c:spPr");
    if (bar || area) {
      XmlNode* fill = sp->AppendChild("a:solidFill")->AppendChild("a:srgbClr")->SetAttribute("val", Hex(colour));
      if (area) Val(fill, "a:alpha", "44000");
    }
    if (!bar && !pie) {
      XmlNode* ln = sp->AppendChild("a:ln")->SetAttribute("w", "28575")->SetAttribute("cap", "rnd");
      ln->AppendChild("a:solidFill")->AppendChild("a:srgbClr")->SetAttribute("val", Hex(colour));
      ln->AppendChild("a:round");
    }
    if (bar) Val(ser, "c:invertIfNegative", "0");
    if (!bar && !pie && !area) Val(ser->AppendChild("c:marker"), "c:symbol", "none");
    if (pie) {
      // Each slice in its row's colour, as drawn here.
      for (size_t r = 0; r < data.Rows(); ++r) {
        XmlNode* dpt = ser->AppendChild("c:dPt");
        Val(dpt, "c:idx", std::to_string(r));
        Val(dpt, "c:bubble3D", "0");
        dpt->AppendChild("c:spPr")->AppendChild("a:solidFill")->AppendChild("a:srgbClr")->SetAttribute(
            "val", Hex(GetColorScheme().GetSchemeColor(static_cast<int32_t>(r))));
      }
    }
    if (!categoryRef.empty()) StringReference(ser->AppendChild("c:cat"), categoryRef, data.categories);
    NumberReference(ser->AppendChild("c:val"), ChartReference(sheetName, {column, d.firstRow, column, d.lastRow}),
                    data.series[i]);
    if (!bar && !pie && !area) Val(ser, "c:smooth", s.type == kChartSmoothLine ? "1" : "0");
  }
  if (bar) {
    Val(group, "c:gapWidth", "100");
    if (s.type != kChartBar) Val(group, "c:overlap", "100");
  }
  if (!bar && !pie && !area) Val(group, "c:marker", "1");
  if (pie) {
    Val(group, "c:firstSliceAng", "0");
  } else {
    Val(group, "c:axId", "500000001");
    Val(group, "c:axId", "500000002");
    XmlNode* cat = plot->AppendChild("c:catAx");
    Val(cat, "c:axId", "500000001");
    Val(cat->AppendChild("c:scaling"), "c:orientation", "minMax");
    Val(cat, "c:delete", data.HasCategories() ? "0" : "1");
    Val(cat, "c:axPos", "b");
    Val(cat, "c:majorTickMark", "none");
    Val(cat, "c:minorTickMark", "none");
    Val(cat, "c:tickLblPos", "low");
    Val(cat, "c:crossAx", "500000002");
    Val(cat, "c:crosses", "autoZero");
    XmlNode* val = plot->AppendChild("c:valAx");
    Val(val, "c:axId", "500000002");
    Val(val->AppendChild("c:scaling"), "c:orientation", "minMax");
    Val(val, "c:delete", "0");
    Val(val, "c:axPos", "l");
    val->AppendChild("c:majorGridlines");
    Val(val, "c:majorTickMark", "none");
    Val(val, "c:minorTickMark", "none");
    Val(val, "c:tickLblPos", "nextTo");
    Val(val, "c:crossAx", "500000001");
    Val(val, "c:crosses", "autoZero");
    Val(val, "c:crossBetween", bar ? "between" : "midCat");
  }
  if (s.showLegend) {
    XmlNode* legend = c->AppendChild("c:legend");
    Val(legend, "c:legendPos", "r");
    ManualLayout(legend, s.legendLeft, s.legendTop, s.legendRight - s.legendLeft, 0, false, false);
    Val(legend, "c:overlay", "1");
  }
  Val(c, "c:plotVisOnly", "1");
  Val(c, "c:dispBlanksAs", "gap");
}

// ---------------------------------------------------------------- reading

namespace {

// Local name of a qualified one ("c:lineChart" -> "lineChart"): prefixes differ between programs.
std::string_view Local(std::string_view name) {
  size_t colon = name.find(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

const XmlNode* Child(const XmlNode* node, std::string_view local) {
  for (const XmlNode* c = node ? node->FirstChild() : nullptr; c; c = c->NextSibling()) {
    if (Local(c->Name()) == local) return c;
  }
  return nullptr;
}

const XmlNode* Path(const XmlNode* node, std::initializer_list<std::string_view> path) {
  for (std::string_view step : path) node = Child(node, step);
  return node;
}

std::string_view ValOf(const XmlNode* node) { return node ? node->Attribute("val") : std::string_view(); }

// All text of the runs below a node.
void CollectText(const XmlNode* node, std::u16string& out) {
  for (const XmlNode* c = node->FirstChild(); c; c = c->NextSibling()) {
    if (Local(c->Name()) == "t") out += Utf8ToUtf16(c->Text());
    else CollectText(c, out);
  }
}

bool ReadLayout(const XmlNode* layoutOwner, double& x, double& y, double& w, double& h) {
  const XmlNode* m = Path(layoutOwner, {"layout", "manualLayout"});
  if (!m) return false;
  auto read = [&](std::string_view name, double& v) {
    const XmlNode* n = Child(m, name);
    if (!n) return false;
    double d = ReadDecimal(ValOf(n));
    if (!std::isfinite(d)) return false;
    v = d;
    return true;
  };
  bool any = read("x", x) && read("y", y);
  read("w", w);
  read("h", h);
  return any;
}

}  // namespace

ChartImport ReadChartPart(const XmlDocument& part, std::u16string_view sheetName) {
  ChartImport result;
  ChartSetup& s = result.setup;
  const XmlNode* chart = Child(part.Root(), "chart");
  const XmlNode* plot = Child(chart, "plotArea");
  if (!plot) {
    result.problem = Text("chart:problem:noPlot");
    return result;
  }
  // The first plot of the area decides; further plots are not shown.
  const XmlNode* group = nullptr;
  int plots = 0;
  for (const XmlNode* c = plot->FirstChild(); c; c = c->NextSibling()) {
    std::string_view name = Local(c->Name());
    if (name.ends_with("Chart")) {
      if (!group) group = c;
      ++plots;
    }
  }
  if (!group) {
    result.problem = Text("chart:problem:noPlot");
    return result;
  }
  std::string_view kind = Local(group->Name());
  std::string_view grouping = ValOf(Child(group, "grouping"));
  std::vector<std::u16string> problems;
  if (plots > 1) problems.push_back(Text("chart:problem:plots"));
  if (kind == "lineChart" || kind == "line3DChart") {
    s.type = grouping == "stacked" ? kChartStackedLine : grouping == "percentStacked" ? kChartPercentLine : kChartLine;
    const XmlNode* ser = Child(group, "ser");
    if (s.type == kChartLine && ser && ValOf(Child(ser, "smooth")) == "1") s.type = kChartSmoothLine;
  } else if (kind == "barChart" || kind == "bar3DChart") {
    s.type = grouping == "stacked" ? kChartStackedBar : grouping == "percentStacked" ? kChartPercentBar : kChartBar;
    if (ValOf(Child(group, "barDir")) == "bar") problems.push_back(Text("chart:problem:horizontal"));
  } else if (kind == "pieChart" || kind == "pie3DChart" || kind == "doughnutChart" || kind == "ofPieChart") {
    s.type = kChartPie;
    if (kind != "pieChart" && kind != "pie3DChart") problems.push_back(Text("chart:problem:pie"));
  } else if (kind == "areaChart" || kind == "area3DChart") {
    s.type = kChartStackedArea;
    if (grouping != "stacked") problems.push_back(Text("chart:problem:area"));
  } else {
    s.type = kChartLine;
    problems.push_back(Text("chart:problem:kind"));
  }

  // The series: one column of values each, side by side on this sheet.
  std::vector<ChartBlock> values;
  std::vector<ChartBlock> names;
  std::optional<ChartBlock> categories;
  bool elsewhere = false;
  for (const XmlNode* ser = group->FirstChild(); ser; ser = ser->NextSibling()) {
    if (Local(ser->Name()) != "ser") continue;
    const XmlNode* f = Path(ser, {"val", "numRef", "f"});
    if (!f) f = Path(ser, {"yVal", "numRef", "f"});
    std::u16string sheet;
    ChartBlock block;
    if (!f || !ParseChartReference(Utf8ToUtf16(f->Text()), sheet, block)) continue;
    if (sheet != sheetName) {
      elsewhere = true;
      continue;
    }
    // A row of values becomes a column of its own? Not here: rows are categories.
    values.push_back(block);
    if (const XmlNode* tx = Path(ser, {"tx", "strRef", "f"})) {
      ChartBlock name;
      if (ParseChartReference(Utf8ToUtf16(tx->Text()), sheet, name) && sheet == sheetName) names.push_back(name);
    }
    if (!categories) {
      const XmlNode* cat = Path(ser, {"cat", "strRef", "f"});
      if (!cat) cat = Path(ser, {"cat", "numRef", "f"});
      ChartBlock block2;
      if (cat && ParseChartReference(Utf8ToUtf16(cat->Text()), sheet, block2) && sheet == sheetName) categories = block2;
    }
  }
  if (elsewhere) problems.push_back(Text("chart:problem:otherSheet"));
  if (values.empty()) {
    result.problem = Text("chart:problem:noSeries");
    return result;
  }
  // The data block: the columns from the first series to the last, over the
  // first series' rows.
  ChartBlock data = values[0];
  bool columns = true;
  for (const ChartBlock& v : values) {
    if (v.firstColumn != v.lastColumn || v.firstRow != data.firstRow || v.lastRow != data.lastRow) columns = false;
    data.firstColumn = std::min(data.firstColumn, v.firstColumn);
    data.lastColumn = std::max(data.lastColumn, v.lastColumn);
  }
  if (!columns && values.size() == 1 && values[0].firstRow == values[0].lastRow) {
    problems.push_back(Text("chart:problem:rows"));
  } else if (!columns) {
    problems.push_back(Text("chart:problem:rows"));
  }
  if (static_cast<int64_t>(data.lastColumn) - data.firstColumn + 1 != static_cast<int64_t>(values.size())) {
    problems.push_back(Text("chart:problem:apart"));
  }
  // Category labels in the column just left of the values come along.
  if (categories && categories->firstColumn == categories->lastColumn && categories->firstColumn == data.firstColumn - 1 &&
      categories->firstRow == data.firstRow && categories->lastRow == data.lastRow) {
    data.firstColumn = categories->firstColumn;
  }
  s.data = data;
  // Series names in the row just above the values make the header.
  if (!names.empty() && names[0].firstRow == data.firstRow - 1 && names[0].firstRow == names[0].lastRow) {
    s.header = ChartBlock{data.firstColumn, data.firstRow - 1, data.lastColumn, data.firstRow - 1};
  }

  // Title: its text, or the cached text of its reference.
  const XmlNode* title = Child(chart, "title");
  s.title.clear();
  if (title) {
    if (const XmlNode* rich = Path(title, {"tx", "rich"})) CollectText(rich, s.title);
    else if (const XmlNode* cache = Path(title, {"tx", "strRef", "strCache"})) CollectText(cache, s.title);
    if (s.title.empty() && names.size() == 1 && values.size() == 1) {
      if (const XmlNode* v = Path(group, {"ser", "tx", "strRef", "strCache", "pt", "v"})) s.title = Utf8ToUtf16(v->Text());
    }
  }
  s.showTitle = title != nullptr;
  double x = 0, y = 0, w = 0, h = 0;
  if (title && ReadLayout(title, x, y, w, h)) {
    s.titleTop = std::clamp(y, 0.0, 1.0);
    s.titleCenterX = std::clamp(x + TitleHalfWidth(s.title, 0.8), 0.0, 1.0);
  }
  const XmlNode* legend = Child(chart, "legend");
  s.showLegend = legend != nullptr;
  s.plotRight = s.showLegend ? 0.7 : 0.9;
  if (legend && ReadLayout(legend, x, y, w, h)) {
    s.legendLeft = std::clamp(x, 0.0, 1.0);
    s.legendTop = std::clamp(y, 0.0, 1.0);
    s.legendRight = std::clamp(x + (w > 0 ? w : 0.2), 0.0, 1.0);
  }
  if (ReadLayout(plot, x, y, w, h) && w > 0.05 && h > 0.05) {
    s.plotLeft = x;
    s.plotTop = y;
    s.plotRight = x + w;
    s.plotBottom = y + h;
  }
  for (size_t i = 0; i < problems.size(); ++i) {
    if (i) result.problem += u", ";
    result.problem += problems[i];
  }
  result.ok = true;
  return result;
}

}  // namespace quadrell
