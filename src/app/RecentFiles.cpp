#include "app/RecentFiles.h"

#include <QSettings>

namespace {
constexpr char kRecentGroup[] = "Recent File List";
constexpr int kRecentCount = 5;
}  // namespace

QStringList RecentFiles() {
  QSettings settings;
  QStringList files;
  for (int i = 1; i <= kRecentCount; ++i) {
    const QString file = settings.value(QStringLiteral("%1/File%2").arg(QLatin1String(kRecentGroup)).arg(i)).toString();
    if (!file.isEmpty()) files << file;
  }
  return files;
}

void AddToRecentFileList(const QString& path) {
  QStringList files = RecentFiles();
  files.removeAll(path);
  files.prepend(path);
  QSettings settings;
  for (int i = 1; i <= kRecentCount; ++i) {
    const QString key = QStringLiteral("%1/File%2").arg(QLatin1String(kRecentGroup)).arg(i);
    if (i <= files.size()) settings.setValue(key, files[i - 1]);
    else settings.remove(key);
  }
}
