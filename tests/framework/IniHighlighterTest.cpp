#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextLayout>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <tuple>

#include "framework/ComCtrls.h"
#include "framework/Registration.h"

namespace {

// The formats the highlighter gave each line: (start, length, colour, bold, italic).
using TRun = std::tuple<int, int, QRgb, bool, bool>;

std::vector<std::vector<TRun>> Runs(TRichEdit& Edit) {
  std::vector<std::vector<TRun>> lines;
  auto* edit = static_cast<QPlainTextEdit*>(Edit.Widget());
  for (QTextBlock b = edit->document()->begin(); b.isValid(); b = b.next()) {
    std::vector<TRun> runs;
    for (const QTextLayout::FormatRange& r : b.layout()->formats())
      runs.emplace_back(r.start, r.length, r.format.foreground().color().rgb(), r.format.fontWeight() == QFont::Bold,
                        r.format.fontItalic());
    lines.push_back(runs);
  }
  return lines;
}

} // namespace

TEST(IniHighlighterTest, HeadersKeysValuesAndCommentsEachHaveAColourOfTheirOwn) {
  RegisterFrameworkClasses();
  TRichEdit edit(nullptr);
  edit.SetHighlight(true);
  edit.SetText("  [Main] ; a header\nkey=value\n; comment\n# comment\nneither\n" + String(10001, 'x') + "=1\n");
  const auto lines = Runs(edit);
  ASSERT_EQ(lines.size(), 7u);
  ASSERT_EQ(lines[0].size(), 1u);
  ASSERT_EQ(lines[1].size(), 2u);
  ASSERT_EQ(lines[2].size(), 1u);
  const auto [hs, hl, header, headerBold, headerItalic] = lines[0][0];
  const auto [ks, kl, key, keyBold, keyItalic] = lines[1][0];
  const auto [vs, vl, value, valueBold, valueItalic] = lines[1][1];
  const auto [cs, cl, comment, commentBold, commentItalic] = lines[2][0];
  EXPECT_EQ(std::make_pair(hs, hl), std::make_pair(0, 19));
  EXPECT_EQ(std::make_pair(ks, kl), std::make_pair(0, 3));
  EXPECT_EQ(std::make_pair(vs, vl), std::make_pair(4, 5));
  EXPECT_TRUE(headerBold);
  EXPECT_TRUE(commentItalic);
  EXPECT_EQ((std::set<QRgb>{header, key, value, comment}).size(), 4u);
  EXPECT_EQ(lines[3], lines[2]) << "# starts a comment too";
  EXPECT_TRUE(lines[4].empty()) << "a line that is none of them is plain";
  EXPECT_TRUE(lines[5].empty()) << "a line too long is plain";

  // Marked lines are underlined, whatever they hold; unmarked again, they are not.
  auto* doc = static_cast<QPlainTextEdit*>(edit.Widget())->document();
  const auto Underlined = [doc](int Line) {
    const auto formats = doc->findBlockByNumber(Line).layout()->formats();
    return !formats.isEmpty() && std::all_of(formats.begin(), formats.end(), [](const QTextLayout::FormatRange& r) {
      return r.format.underlineStyle() == QTextCharFormat::WaveUnderline;
    });
  };
  edit.SetMarkedLines({1, 4});
  EXPECT_TRUE(Underlined(1));
  EXPECT_TRUE(Underlined(4));
  EXPECT_FALSE(Underlined(0));
  edit.SetMarkedLines({4});
  EXPECT_FALSE(Underlined(1));
  EXPECT_EQ(Runs(edit)[1], lines[1]);
}

TEST(IniHighlighterTest, ALoadedFileIsColouredAsItsLinesComeIntoView) {
  RegisterFrameworkClasses();
  std::string text;
  for (int s = 0; s < 500; ++s) {
    text += "[Section" + std::to_string(s) + "]\n; about it\n";
    for (int k = 0; k < 3; ++k)
      text += "key" + std::to_string(k) + "=value\n";
  }
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("highlight-test-" + std::to_string(::getpid()) + ".ini");
  std::ofstream(path, std::ios::binary) << text;
  TRichEdit reference(nullptr);
  reference.SetHighlight(true);
  reference.SetText(text);
  const auto expected = Runs(reference);

  TRichEdit edit(nullptr);
  edit.SetHighlight(true);
  edit.SetBounds(0, 0, 300, 200);
  edit.Widget()->show();
  // Lines are marked as the text changes, as the editor marks them.
  int changes = 0;
  edit.SetOnChange([&](TObject*) {
    ++changes;
    edit.SetMarkedLines({3});
  });
  edit.LoadFromFile(path.string());
  std::filesystem::remove(path);
  changes = 0;
  QWidget* viewport = static_cast<QPlainTextEdit*>(edit.Widget())->viewport();
  viewport->grab();
  auto lines = Runs(edit);
  ASSERT_EQ(lines.size(), expected.size());
  for (std::size_t i = 0; i < 5; ++i)
    if (i != 3) {
      EXPECT_EQ(lines[i], expected[i]) << "line " << i;
    }
  const auto formats =
      static_cast<QPlainTextEdit*>(edit.Widget())->document()->findBlockByNumber(3).layout()->formats();
  ASSERT_EQ(formats.size(), 3);
  EXPECT_EQ(formats[0].format.underlineStyle(), QTextCharFormat::WaveUnderline);

  // Scrolled to the end, the last lines are coloured as they show, and the colours change no text.
  edit.SetSelStart(edit.GetTextLen());
  edit.ScrollCaret();
  viewport->grab();
  lines = Runs(edit);
  for (std::size_t i = expected.size() - 5; i < expected.size(); ++i)
    EXPECT_EQ(lines[i], expected[i]) << "line " << i;
  EXPECT_EQ(changes, 0);
}
