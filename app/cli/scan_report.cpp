#include "app/cli/scan_report.h"

#include <algorithm>
#include <string_view>

#include "platform/text.h"

namespace ordrex::cli {

namespace {

std::string CountText(int count) {
  return std::to_string(count) + (count == 1 ? " problem" : " problems");
}

// A location line never wraps on a terminal of common width.
std::string Shortened(const std::string& text) {
  constexpr std::size_t kWidth = 100;
  if (text.size() <= kWidth) return text;
  std::size_t cut = text.size() - (kWidth - 3);
  while (cut < text.size() && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
    ++cut;
  return "..." + text.substr(cut);
}

}  // namespace

std::vector<std::string> CategoryTitles() {
  // The titles belong to the category objects; an engine on an empty target lists them.
  MemoryTarget empty;
  TOrdrex engine(empty);
  std::vector<std::string> titles;
  for (TCustomOrdrex* category : engine.Categories())
    titles.push_back(category->Title);
  return titles;
}

bool CheckTitles(const std::vector<std::string>& titles, std::ostream& err) {
  const std::vector<std::string> known = CategoryTitles();
  for (const std::string& title : titles) {
    if (std::any_of(known.begin(), known.end(),
                    [&](const std::string& name) { return SameText(name, title); })) {
      continue;
    }
    err << "ordrex-cli: unknown category \"" << title << "\"; the categories are:";
    const char* separator = " ";
    for (const std::string& name : known) {
      err << separator << "\"" << name << "\"";
      separator = ", ";
    }
    err << "\n";
    return false;
  }
  return true;
}

void EnableOnly(TOrdrex& engine, const std::vector<std::string>& titles) {
  for (TCustomOrdrex* category : engine.Categories()) {
    category->Enabled = std::any_of(titles.begin(), titles.end(), [&](const std::string& title) {
      return SameText(category->Title, title);
    });
  }
}

void RunScan(TOrdrex& engine, CliContext& context, bool showProgress) {
  LiveScanView view(context.out);
  if (showProgress) view.Attach(engine);
  engine.Clear();
  engine.Stop(false);
  engine.Scan();
  engine.Stop(true);
  if (showProgress) {
    view.Close();
    engine.Observer = nullptr;
    engine.OnStatus = nullptr;
  }
}

std::string ProblemLocation(const TFixingList& problem) {
  return RootKeyName(problem.RootKey) + problem.Key;
}

std::string ProblemValueText(const TFixingList& problem) {
  return problem.Value.empty() ? "(Default)" : problem.Value;
}

int TotalProblems(TOrdrex& engine) {
  int total = 0;
  for (TCustomOrdrex* category : engine.Categories())
    total += category->Count();
  return total;
}

void LiveScanView::Attach(TOrdrex& engine) {
  engine.Observer = this;
  engine.OnStatus = [this](const std::string& text) { ShowLocation(text); };
}

void LiveScanView::ClearLocation() {
  if (!locationShown_) return;
  out_ << "\r\033[K";
  locationShown_ = false;
}

void LiveScanView::Close() {
  ClearLocation();
  out_.flush();
}

void LiveScanView::ShowLocation(const std::string& text) {
  if (text.empty()) {
    Close();
    return;
  }
  out_ << "\r\033[K" << Shortened(text);
  out_.flush();
  locationShown_ = true;
}

void LiveScanView::CategoryStatusChanged(TCustomOrdrex& category) {
  const std::string& state = category.StatusText;
  // "Waiting" and "Skipped" are where every category starts; only its progress is news.
  if (state.empty() || state == kStateWaiting || state == kStateSkipped) return;
  std::string& shown = shown_[&category];
  if (shown == state) return;
  shown = state;
  ClearLocation();
  out_ << category.Title << ": " << state;
  if (state == kStateFinished) out_ << ", " << CountText(category.Count());
  out_ << "\n";
  out_.flush();
}

void WriteTextReport(std::ostream& out, TOrdrex& engine) {
  int total = 0;
  int categories = 0;
  for (TCustomOrdrex* category : engine.Categories()) {
    if (category->Count() == 0) continue;
    total += category->Count();
    ++categories;
    out << "\n"
        << category->Title << ": " << CountText(category->Count()) << " (severity "
        << category->SeverityText() << ")\n";
    for (const auto& problem : category->Problems()) {
      out << "  [" << (problem->Selected ? 'x' : ' ') << "] " << ProblemLocation(*problem);
      if (!problem->Key.empty() || !problem->Value.empty())
        out << "  " << ProblemValueText(*problem);
      out << "\n      " << problem->Reason;
      if (!problem->Data.empty()) out << ": " << problem->Data;
      out << "\n";
    }
  }
  out << "\n";
  if (total == 0) {
    out << "No problems found.\n";
  } else {
    out << "Found " << CountText(total) << " in " << categories
        << (categories == 1 ? " category" : " categories") << " ([x]: selected for repair).\n";
  }
}

std::string EndedEarlyText(const std::string& endedEarly) {
  if (endedEarly.rfind(kEndedByErrorPrefix, 0) == 0) return endedEarly;
  return kEndedByErrorPrefix + endedEarly;
}

void WriteJsonReportMembers(JsonWriter& json, TOrdrex& engine) {
  json.Key("target").String(engine.GetTarget().Location());
  json.Key("categories").BeginArray();
  for (TCustomOrdrex* category : engine.Categories()) {
    json.BeginObject();
    json.Key("index").Number(category->Index);
    json.Key("title").String(category->Title);
    json.Key("state").String(category->StatusText.empty() ? kStateSkipped : category->StatusText);
    json.Key("count").Number(category->Count());
    json.EndObject();
  }
  json.EndArray();
  json.Key("problems").BeginArray();
  for (TCustomOrdrex* category : engine.Categories()) {
    for (const auto& problem : category->Problems()) {
      json.BeginObject();
      json.Key("category").String(category->Title);
      json.Key("root").String(RootKeyName(problem->RootKey));
      json.Key("key").String(problem->Key);
      json.Key("value").String(problem->Value);
      json.Key("data").String(problem->Data);
      json.Key("reason").String(problem->Reason);
      json.Key("selected").Bool(problem->Selected);
      json.Key("missingFile").Bool(problem->MissingFile);
      json.EndObject();
    }
  }
  json.EndArray();
  json.Key("total").Number(TotalProblems(engine));
  json.Key("endedEarly");
  if (engine.EndedEarly.empty()) {
    json.Null();
  } else {
    json.String(engine.EndedEarly);
  }
}

}  // namespace ordrex::cli
