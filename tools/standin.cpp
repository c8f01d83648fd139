// standin: the program that the demo program folder places at every activity path and at
// report/report.exe. It knows which program it stands for from its own file path, and shows
// the pupil's name and the arguments it received, so that a person (or a test, through the
// log) can see exactly how the menu started it. "Klaar / Done" ends it with exit code 0.
//
// TOVALEER_STANDIN_LOG=FILE appends one line per start to FILE: the program's relative path,
// then each argument, separated by tabs. Inside a field a backslash, tab, newline or carriage
// return is written as \\, \t, \n or \r, so that every start stays exactly one line.
//
// TOVALEER_STANDIN_DONE_AFTER_MS=N ends it by itself N milliseconds after its window is up, as
// if "Klaar / Done" had been pressed: for long unattended runs of the menu (soak tests, demos).

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "suite_frames.h"
#include "suite_paint.h"

namespace tov::standin {
namespace {

// How the menu frames each argument of the program: activities "*value#", the report
// "value*".
enum class Framing { Activity, Report, Unknown };

struct Identity {
  QString relativePath;  // under the program folder, as the log names it
  QString name;          // what the window title and heading say
  QString detail;        // the language and the option, for the person looking
  Framing framing;
};

std::optional<Identity> activityAt(const QString& folder, const QString& file) {
  for (int option = 1; option <= 9; ++option) {
    const std::size_t index = std::size_t(option - 1);
    if (folder == QString("OPSIE%1").arg(option) && file == QString("opsie%1.exe").arg(option))
      return Identity{folder + "/" + file, suite::activityNames(true)[index],
                      QString("Afrikaans  •  opsie %1").arg(option), Framing::Activity};
    if (folder == QString("Option%1").arg(option) && file == QString("option%1.exe").arg(option))
      return Identity{folder + "/" + file, suite::activityNames(false)[index],
                      QString("English  •  option %1").arg(option), Framing::Activity};
  }
  return std::nullopt;
}

// The program's place in the program folder decides what it stands for; anywhere else
// (the build folder, say) it is a plain stand-in that guesses the framing from what it got.
Identity identify(const QString& executablePath) {
  const QFileInfo file(executablePath);
  const QString folder = file.dir().dirName();
  if (auto activity = activityAt(folder, file.fileName())) return *activity;
  if (folder == "report" && file.fileName() == "report.exe")
    return {"report/report.exe", "Verslag / Report", "Verslagprogram  •  report program",
            Framing::Report};
  return {file.fileName(), "Stand-in", "Onbekende program  •  unknown program", Framing::Unknown};
}

bool hasActivityFraming(const std::string& argument) {
  return argument.size() >= 2 && argument.front() == '*' && argument.back() == '#';
}

bool hasReportFraming(const std::string& argument) {
  return !argument.empty() && argument.back() == '*';
}

// The value inside the framing the menu puts around an argument; an argument without the
// expected framing is shown whole, since that is what the program really received.
std::string unframed(const std::string& argument, Framing framing) {
  if (framing == Framing::Unknown)
    framing = hasActivityFraming(argument) ? Framing::Activity : Framing::Report;
  if (framing == Framing::Activity && hasActivityFraming(argument))
    return argument.substr(1, argument.size() - 2);
  if (framing == Framing::Report && hasReportFraming(argument))
    return argument.substr(0, argument.size() - 1);
  return argument;
}

// ---- showing bytes so that nothing is hidden ----

// Length of the UTF-8 sequence at text[at] and its code point, or 0 when the bytes there
// are not a well-formed sequence (stray continuation, overlong form, surrogate, too large,
// cut short).
int utf8SequenceAt(const std::string& text, std::size_t at, char32_t* codePoint) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  int length = 0;
  char32_t value = 0;
  char32_t smallest = 0;
  if (lead < 0x80) {
    *codePoint = lead;
    return 1;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2, value = lead & 0x1F, smallest = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, value = lead & 0x0F, smallest = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, value = lead & 0x07, smallest = 0x10000;
  } else {
    return 0;
  }
  if (text.size() - at < std::size_t(length)) return 0;
  for (int i = 1; i < length; ++i) {
    const unsigned char next = byte(at + std::size_t(i));
    if ((next & 0xC0) != 0x80) return 0;
    value = (value << 6) | (next & 0x3F);
  }
  if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  *codePoint = value;
  return length;
}

bool isInvisible(char32_t codePoint) {
  switch (QChar::category(codePoint)) {
    case QChar::Separator_Space:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_PrivateUse:
    case QChar::Other_NotAssigned:
      return true;
    default:
      return false;
  }
}

QString hex(uint value, int digits) { return QString::number(value, 16).toUpper().rightJustified(digits, '0'); }

// How a character that prints as nothing is shown: the usual names of the common control
// characters, else its code point.
QString shownInvisible(char32_t codePoint) {
  switch (codePoint) {
    case '\t': return "<TAB>";
    case '\n': return "<LF>";
    case '\r': return "<CR>";
    case 0: return "<NUL>";
    case 0x1B: return "<ESC>";
    default: return "<U+" + hex(uint(codePoint), 4) + ">";
  }
}

// An argument as a person can check it byte for byte: a space as ␣, what prints as nothing
// (control and format characters, other spaces, unassigned code points) as <TAB>, <U+00A0>
// and the like, and bytes that are not UTF-8 as <xFF>.
QString visibleText(const std::string& bytes) {
  QString shown;
  for (std::size_t at = 0; at < bytes.size();) {
    char32_t codePoint = 0;
    const int length = utf8SequenceAt(bytes, at, &codePoint);
    if (length == 0) {
      shown += "<x" + hex(static_cast<unsigned char>(bytes[at]), 2) + ">";
      ++at;
      continue;
    }
    at += std::size_t(length);
    if (codePoint == ' ') shown += QChar(char16_t(0x2423));
    else if (isInvisible(codePoint)) shown += shownInvisible(codePoint);
    else shown += QString::fromUcs4(&codePoint, 1);
  }
  return shown;
}

// ---- the log ----

std::string logField(const std::string& value) {
  std::string field;
  for (const char c : value) {
    switch (c) {
      case '\\': field += "\\\\"; break;
      case '\t': field += "\\t"; break;
      case '\n': field += "\\n"; break;
      case '\r': field += "\\r"; break;
      default: field += c;
    }
  }
  return field;
}

// One write of the whole line on a file opened for appending: a test that reads the log
// while the window is up sees the line complete, and two stand-ins never interleave.
void appendToLog(const QString& logPath, const Identity& identity,
                 const std::vector<std::string>& arguments) {
  std::string line = logField(identity.relativePath.toStdString());
  for (const std::string& argument : arguments) line += "\t" + logField(argument);
  line += "\n";
  QFile log(logPath);
  if (!log.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered) ||
      log.write(line.data(), qint64(line.size())) != qint64(line.size()))
    std::fprintf(stderr, "standin: cannot append to %s: %s\n", qPrintable(logPath),
                 qPrintable(log.errorString()));
}

// ---- the window ----

constexpr int kWindowWidth = 640;
constexpr int kWindowHeight = 420;

QLabel* label(const QString& text, const QFont& font, const QColor& colour) {
  auto* shown = new QLabel(text);
  shown->setFont(font);
  shown->setStyleSheet(QString("color: %1;").arg(colour.name()));
  shown->setTextFormat(Qt::PlainText);
  return shown;
}

QString argumentList(const std::vector<std::string>& arguments) {
  QStringList lines;
  for (std::size_t i = 0; i < arguments.size(); ++i)
    lines << QString("%1  %2").arg(i + 1).arg(visibleText(arguments[i]));
  return lines.join('\n');
}

QPushButton* doneButton(QWidget* window) {
  auto* done = new QPushButton("Klaar / Done");
  done->setFont(suite::sansFont(30));
  done->setMinimumHeight(64);
  done->setDefault(true);
  done->setStyleSheet(QString("QPushButton { background: %1; color: white; border: 3px solid %2;"
                              " border-radius: 14px; padding: 6px 28px; }"
                              "QPushButton:pressed { background: %2; }")
                          .arg(suite::colour::kLeaf.name(), suite::colour::kLeaf.darker(150).name()));
  QObject::connect(done, &QPushButton::clicked, [] { QCoreApplication::exit(0); });
  // A person at the keyboard finishes with Enter, as the button looks like the default one.
  for (const auto key : {Qt::Key_Return, Qt::Key_Enter})
    QObject::connect(new QShortcut(QKeySequence(key), window), &QShortcut::activated, done,
                     &QPushButton::click);
  return done;
}

void build(QWidget& window, const Identity& identity, const std::vector<std::string>& arguments) {
  window.setWindowTitle(identity.name + " - Tovaleer");
  window.setStyleSheet(QString("QWidget#standin { background: %1; border: 6px solid %2; }")
                           .arg(suite::colour::kPaper.name(), suite::colour::kBorder.name()));
  window.setObjectName("standin");
  window.setAttribute(Qt::WA_StyledBackground);

  auto* layout = new QVBoxLayout(&window);
  layout->setContentsMargins(24, 18, 24, 18);
  layout->addWidget(label(identity.name, suite::sansFont(34), suite::colour::kHeading));
  layout->addWidget(label(identity.detail, suite::sansFont(16, false), suite::colour::kTeal));
  const std::string name = arguments.size() >= 2 ? unframed(arguments[1], identity.framing) : std::string();
  layout->addWidget(label("Leerder / Pupil:  " + QString::fromUtf8(name.data(), qsizetype(name.size())),
                          suite::sansFont(22), suite::colour::kInk));
  layout->addWidget(label(QString("Argumente / Arguments (%1):").arg(arguments.size()),
                          suite::sansFont(15), suite::colour::kInk));

  auto* list = new QPlainTextEdit(argumentList(arguments));
  list->setReadOnly(true);
  list->setFocusPolicy(Qt::NoFocus);
  list->setLineWrapMode(QPlainTextEdit::NoWrap);
  list->setFont(QFont("DejaVu Sans Mono", 11));
  list->setStyleSheet(QString("background: white; color: %1; border: 2px solid %2;")
                          .arg(suite::colour::kInk.name(), suite::colour::kBorder.name()));
  layout->addWidget(list, 1);

  auto* done = doneButton(&window);
  layout->addWidget(done, 0, Qt::AlignHCenter);
  done->setFocus();
}

void placeCentred(QWidget& window) {
  const QRect screen = window.screen()->availableGeometry();
  window.setFixedSize(kWindowWidth, kWindowHeight);
  window.move(screen.x() + (screen.width() - kWindowWidth) / 2,
              screen.y() + (screen.height() - kWindowHeight) / 2);
}

int run(int argc, char** argv) {
  // The arguments are kept as the bytes received; Qt is given none of them, so that no
  // argument is taken for one of Qt's own options and removed.
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  int qtArgc = 1;
  char* qtArgv[] = {argv[0], nullptr};
  QApplication application(qtArgc, qtArgv);
  const Identity identity = identify(QCoreApplication::applicationFilePath());
  const QString logPath = qEnvironmentVariable("TOVALEER_STANDIN_LOG");
  if (!logPath.isEmpty()) appendToLog(logPath, identity, arguments);

  QWidget window;
  build(window, identity, arguments);
  placeCentred(window);
  window.show();
  window.raise();
  window.activateWindow();
  bool validDelay = false;
  const int doneAfterMs = qEnvironmentVariableIntValue("TOVALEER_STANDIN_DONE_AFTER_MS", &validDelay);
  if (validDelay && doneAfterMs >= 0) QTimer::singleShot(doneAfterMs, [] { QCoreApplication::exit(0); });
  return application.exec();
}

}  // namespace
}  // namespace tov::standin

int main(int argc, char** argv) { return tov::standin::run(argc, argv); }
