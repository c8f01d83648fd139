// The upper-case edit box and its key-press event.
#include <gtest/gtest.h>

#include <QTest>
#include <QKeyEvent>
#include <QWidget>

#include "ui/edit.h"

namespace tov::test {
namespace {

// Types each character as a key press carrying that text, as the keyboard layout gives it.
void typeKeys(QWidget& target, const QString& text) {
  for (const QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QCoreApplication::sendEvent(&target, &press);
  }
}

TEST(TEdit, TypedAndPastedTextIsUpperCaseAfrikaansLettersToo) {
  QWidget parent;
  TEdit edit(parent, "nameedit");
  parent.show();
  edit.setFocus();
  typeKeys(edit, QString::fromUtf8("anél ê"));
  EXPECT_EQ(edit.Text(), "ANÉL Ê");
  edit.clear();
  edit.typeText(QString::fromUtf8("ëïô"));
  EXPECT_EQ(edit.Text(), "ËÏÔ");
}

TEST(TEdit, KeyPressSeesEveryKeyBeforeTheBoxAppliesIt) {
  QWidget parent;
  TEdit edit(parent, "nameedit");
  parent.show();
  edit.setFocus();
  std::vector<std::pair<char32_t, std::string>> seen;  // key, text at that moment
  edit.OnKeyPress = [&](TEdit* sender, char32_t& key) { seen.emplace_back(key, sender->Text()); };
  QTest::keyClick(&edit, Qt::Key_A, Qt::NoModifier);
  QTest::keyClick(&edit, Qt::Key_B, Qt::NoModifier);
  QTest::keyClick(&edit, Qt::Key_Backspace);
  QTest::keyClick(&edit, Qt::Key_Return);
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[0], std::make_pair(char32_t('a'), std::string("")));
  EXPECT_EQ(seen[1], std::make_pair(char32_t('b'), std::string("A")));
  EXPECT_EQ(seen[2], std::make_pair(char32_t(8), std::string("AB")));
  EXPECT_EQ(seen[3], std::make_pair(char32_t(13), std::string("A")));
  // A handler that sets the key to 0 swallows it.
  edit.OnKeyPress = [](TEdit*, char32_t& key) { key = 0; };
  QTest::keyClick(&edit, Qt::Key_C, Qt::NoModifier);
  EXPECT_EQ(edit.Text(), "A");
}

}  // namespace
}  // namespace tov::test
