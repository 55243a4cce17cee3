#include "app/QtTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace {
constexpr char kTranslationName[] = "qtbase_ja";
}  // namespace

bool InstallQtTranslation() {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return false;
  if (app->findChild<QTranslator*>(QLatin1String(kTranslationName), Qt::FindDirectChildrenOnly)) return true;
  auto* translator = new QTranslator(app);
  translator->setObjectName(QLatin1String(kTranslationName));
  // Loaded by name, not by locale: the program's own texts are Japanese
  // whatever the desktop says, so Qt's must be too.
  if (!translator->load(QLatin1String(kTranslationName), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  return QCoreApplication::installTranslator(translator);
}
