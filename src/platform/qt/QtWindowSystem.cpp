#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

#include "platform/Canvas.h"
#include "platform/Deferred.h"
#include "platform/WindowSystem.h"
#include "platform/FontBackend.h"
#include "platform/qt/QtCanvas.h"
#include "platform/qt/QtFonts.h"

namespace quadrell {

namespace {

// Not destroyed by the exit handlers: Qt must be shut down while the program still runs.
QApplication* gApplication = nullptr;

// While the display is being opened Qt's messages are held back: a failure
// becomes one line of ours instead of the toolkit's report.
bool gStarting = false;
std::vector<std::pair<QtMsgType, std::string>> gHeld;
QtMessageHandler gDefaultHandler = nullptr;
void (*gNoDisplay)(const std::string&) = nullptr;

std::string FirstLine(const QString& text) { return text.section(QLatin1Char('\n'), 0, 0).trimmed().toStdString(); }

void HoldMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (!gStarting) {
    if (gDefaultHandler) {
      gDefaultHandler(type, context, message);
    } else {
      std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    }
    return;
  }
  if (type == QtFatalMsg) {
    // Qt's own reason is usually the warning before the fatal message.
    std::string reason = FirstLine(message);
    for (auto& [heldType, text] : gHeld) {
      if (heldType == QtWarningMsg || heldType == QtCriticalMsg) reason = text;
    }
    if (gNoDisplay) gNoDisplay(reason);
    _exit(1);
  }
  gHeld.emplace_back(type, FirstLine(message));
}

bool HasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(name);
    if (value && *value) return true;
  }
  return false;
}

}  // namespace

bool StartWindowSystem(int& argc, char** argv, void (*onNoDisplay)(const std::string& reason)) {
  if (gApplication) return true;
  gNoDisplay = onNoDisplay;
  if (!HasDisplay()) {
    if (onNoDisplay) onNoDisplay("no display found");
    return false;
  }
  gStarting = true;
  gDefaultHandler = qInstallMessageHandler(HoldMessage);
  gApplication = new QApplication(argc, argv);
  gStarting = false;
  for (auto& [type, text] : gHeld) {
    if (type != QtDebugMsg && type != QtInfoMsg) std::fprintf(stderr, "%s\n", text.c_str());
  }
  gHeld.clear();
  QApplication::setQuitOnLastWindowClosed(false);
  SetBitmapCanvasFactory(qt::CreateBitmapCanvas);
  SetQueueWaker([] { QTimer::singleShot(0, qApp, [] { RunQueuedCalls(); }); });
  SetFontBackend(std::make_unique<qt::QtFontBackend>());
  return true;
}

int RunEventLoop() { return gApplication ? QApplication::exec() : 1; }

void EndEventLoop() {
  // Qt remembers an exit asked for while no loop runs, and every later modal
  // dialog would then return at once: only a running loop is ended.
  if (QThread::currentThread()->loopLevel() > 0) QCoreApplication::exit(0);
}

void UseToolkitLanguage(const std::string& language) {
  static QTranslator* translator = nullptr;
  if (!qApp || language.empty() || language == "en") return;
  if (!translator) translator = new QTranslator(qApp);
  // The standard dialogs' buttons ("Yes", "Cancel", "Save") in the interface language.
  if (translator->load(QStringLiteral("qtbase_") + QString::fromStdString(language),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(translator);
  }
}

void StopWindowSystem() {
  if (!gApplication) return;
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  SetBitmapCanvasFactory(nullptr);
  SetQueueWaker(nullptr);
  delete gApplication;
  gApplication = nullptr;
}

}  // namespace quadrell
