#pragma once
#include <QString>
#include <QStringList>

// The recent-file list (5 entries, newest first), kept in the settings.
QStringList RecentFiles();
void AddToRecentFileList(const QString& path);
