#include "app/FindResultsForm.h"

#include "framework/TextFile.h"
#include "framework/TypInfo.h"
#include "platform/Utf8.h"

TFindResultsForm::TFindResultsForm(TComponent* AOwner) : TForm(AOwner, TNoDescription{}) {
  ReadDescription("TFindResultsForm");
  FS1 = new TFileSearch(this);
  FS1->SetOnFileSearched([this](TObject* Sender) { FS1FileSearched(Sender); });
  FS1->SetOnDone([this](TObject* Sender) { FS1Done(Sender); });
  // Esc in the list stops the search; every other message goes on as it came.
  FListProc = MakeWindowProc([this](HWND H, UINT M, WPARAM W, LPARAM L) -> LRESULT {
    if (M == WM_KEYDOWN && W == VK_ESCAPE && Searching()) {
      StopSearch();
      return 0;
    }
    return CallWindowProcA(reinterpret_cast<WNDPROC>(FFormerListProc), H, M, W, L);
  });
  FFormerListProc = SetWindowLongA(ResultsList->Handle(), GWL_WNDPROC, reinterpret_cast<LONG_PTR>(FListProc));
}

TFindResultsForm::~TFindResultsForm() {
  SetWindowLongA(ResultsList->Handle(), GWL_WNDPROC, FFormerListProc);
  FreeObjectInstance(FListProc);
}

void TFindResultsForm::Search(const std::vector<String>& Paths, const String& Text, const TSearchTypes& Options) {
  FS1->Stop();
  FPaths = Paths;
  FText = Text;
  FOptions = Options;
  FRows.clear();
  FMatches = 0;
  FFilesWithMatches = FUnreadable = FTooLarge = 0;
  ResultsList->Items()->Clear();
  SetCaption("Find \"" + Text + "\" in Listed Files");
  ShowCount("Searching: ");
  FS1->Start(Paths, Text, Options);
  if (FOnSearchChange) FOnSearchChange(this);
}

void TFindResultsForm::StopSearch() {
  if (!FS1->Running()) return;
  FS1->Stop();
  ShowCount("Stopped: ");
  if (FOnSearchChange) FOnSearchChange(this);
}

void TFindResultsForm::FS1FileSearched(TObject*) {
  const TFileMatches& found = FS1->FileMatches();
  FUnreadable += found.Result == fsUnreadable;
  FTooLarge += found.Result == fsTooLarge;
  if (!found.Matches.empty()) ++FFilesWithMatches;
  const String path = ReadableName(FPaths[static_cast<std::size_t>(FS1->FileIndex())]);
  TStrings* rows = ResultsList->Items();
  for (const TFileMatch& match : found.Matches) {
    if (FRows.size() < static_cast<std::size_t>(MaxResultRows)) {
      FRows.push_back({FS1->FileIndex(), match});
      rows->Add(path + ":" + std::to_string(match.Line) + ": " + match.Text);
    }
    ++FMatches;
  }
  if (FMatches > MaxResultRows) {
    const String more = "and " + std::to_string(FMatches - MaxResultRows) + " more";
    if (rows->Count() == MaxResultRows)
      rows->Add(more);
    else
      rows->SetStrings(MaxResultRows, more);
  }
  ShowCount("Searching: ");
}

void TFindResultsForm::FS1Done(TObject*) {
  ShowCount("");
  if (FOnSearchChange) FOnSearchChange(this);
}

void TFindResultsForm::ShowCount(const String& Prefix) {
  const auto count = [](long long N, const char* One, const char* Many) {
    return std::to_string(N) + " " + (N == 1 ? One : Many);
  };
  String text = count(FMatches, "match", "matches") + " in " + count(FFilesWithMatches, "file", "files");
  if (FUnreadable) text += "; " + count(FUnreadable, "file", "files") + " could not be read";
  if (FTooLarge)
    text += "; " + count(FTooLarge, "file", "files") + " larger than " + std::to_string(MaxTextFileSize >> 20) +
            " MiB skipped";
  ResultsBar->SetSimpleText(Prefix + text);
}

void TFindResultsForm::ResultsListDblClick(TObject*) {
  const int row = ResultsList->ItemIndex();
  if (row < 0 || row >= static_cast<int>(FRows.size()) || !FOnOpenMatch) return;
  const TRow& found = FRows[static_cast<std::size_t>(row)];
  FOnOpenMatch(FPaths[static_cast<std::size_t>(found.File)], found.Match);
}

void TFindResultsForm::FormClose(TObject*, TCloseAction& Action) {
  StopSearch();
  Action = caFree;
}

void RegisterFindResultsForm() {
  static const bool done = [] {
    TClassRegistration<TFindResultsForm>("TFindResultsForm", "TForm")
        .Field(PUBLISHED(TFindResultsForm, ResultsBar))
        .Field(PUBLISHED(TFindResultsForm, ResultsList))
        .Handler(PUBLISHED(TFindResultsForm, FormClose))
        .Handler(PUBLISHED(TFindResultsForm, ResultsListDblClick));
    return true;
  }();
  (void)done;
}
