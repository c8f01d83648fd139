// The upper-case edit box and its key-press event.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QTest>
#include <QWidget>
#include <string>
#include <utility>
#include <vector>

#include "ui/edit.h"
#include "ui/form.h"
#include "ui/qt/qt_access.h"

namespace tov::test {
namespace {

// Types each character as a key press carrying that text, as the keyboard layout gives it.
void typeKeys(TEdit& target, const QString& text) {
  for (const QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QCoreApplication::sendEvent(qt::widgetOf(target), &press);
  }
}

TEST(TEdit, TypedAndPastedTextIsUpperCaseAfrikaansLettersToo) {
  TForm parent;
  TEdit edit(parent, "nameedit");
  parent.Show();
  edit.SetFocus();
  typeKeys(edit, QString::fromUtf8("anél ê"));
  EXPECT_EQ(edit.Text(), "ANÉL Ê");
  edit.setText("");
  edit.typeText("ëïô");
  EXPECT_EQ(edit.Text(), "ËÏÔ");
}

TEST(TEdit, KeyPressSeesEveryKeyBeforeTheBoxAppliesIt) {
  TForm parent;
  TEdit edit(parent, "nameedit");
  parent.Show();
  edit.SetFocus();
  std::vector<std::pair<char32_t, std::string>> seen;  // key, text at that moment
  edit.OnKeyPress = [&](TEdit* sender, char32_t& key) { seen.emplace_back(key, sender->Text()); };
  QTest::keyClick(qt::widgetOf(edit), Qt::Key_A, Qt::NoModifier);
  QTest::keyClick(qt::widgetOf(edit), Qt::Key_B, Qt::NoModifier);
  QTest::keyClick(qt::widgetOf(edit), Qt::Key_Backspace);
  QTest::keyClick(qt::widgetOf(edit), Qt::Key_Return);
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[0], std::make_pair(char32_t('a'), std::string("")));
  EXPECT_EQ(seen[1], std::make_pair(char32_t('b'), std::string("A")));
  EXPECT_EQ(seen[2], std::make_pair(char32_t(8), std::string("AB")));
  EXPECT_EQ(seen[3], std::make_pair(char32_t(13), std::string("A")));
  // A handler that sets the key to 0 swallows it.
  edit.OnKeyPress = [](TEdit*, char32_t& key) { key = 0; };
  QTest::keyClick(qt::widgetOf(edit), Qt::Key_C, Qt::NoModifier);
  EXPECT_EQ(edit.Text(), "A");
}

TEST(TEdit, ControlKeysReachKeyPressBeforeTheBoxAppliesThem) {
  // Each combination as the X keyboard gives it (the control character as text) and as
  // other sources give it (the plain letter with Ctrl held).
  const struct {
    const char* name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    QString text;
    char32_t seen;
    std::string after;
  } cases[] = {
      {"Ctrl+V", Qt::Key_V, Qt::ControlModifier, QString(QChar(22)), 22, "AXY"},
      {"Ctrl+V, letter text", Qt::Key_V, Qt::ControlModifier, "v", 22, "AXY"},
      {"Ctrl+Z", Qt::Key_Z, Qt::ControlModifier, QString(QChar(26)), 26, ""},
      {"Ctrl+Z, letter text", Qt::Key_Z, Qt::ControlModifier, "z", 26, ""},
      {"Ctrl+A", Qt::Key_A, Qt::ControlModifier, QString(QChar(1)), 1, "A"},
      {"Ctrl+A, letter text", Qt::Key_A, Qt::ControlModifier, "a", 1, "A"},
      {"Backspace", Qt::Key_Backspace, Qt::NoModifier, QString(QChar(8)), 8, ""},
      {"Escape", Qt::Key_Escape, Qt::NoModifier, QString(QChar(27)), 27, "A"},
  };
  QGuiApplication::clipboard()->setText("xy");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TForm parent;
    TEdit edit(parent, "nameedit");
    parent.Show();
    edit.SetFocus();
    QTest::keyClick(qt::widgetOf(edit), Qt::Key_A, Qt::NoModifier);
    std::vector<std::pair<char32_t, std::string>> seen;  // key, text at that moment
    edit.OnKeyPress = [&](TEdit* sender, char32_t& key) { seen.emplace_back(key, sender->Text()); };
    QKeyEvent press(QEvent::KeyPress, c.key, c.modifiers, c.text);
    QCoreApplication::sendEvent(qt::widgetOf(edit), &press);
    EXPECT_EQ(seen, (std::vector<std::pair<char32_t, std::string>>{{c.seen, "A"}}));
    EXPECT_EQ(edit.Text(), c.after) << "the box still applies the key";
  }
}

}  // namespace
}  // namespace tov::test
