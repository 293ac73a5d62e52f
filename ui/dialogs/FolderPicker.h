#pragma once
// The folder browser shared by the recovery destination and the search criteria: the
// system's folder picker titled with text 3, opened at a start folder; the chosen path loses a
// trailing separator; empty when cancelled. Tests replace the picker.
#include <QString>

#include <functional>

class QWidget;

QString BrowseForFolder(QWidget* parent, const QString& start);

using FolderPicker =
    std::function<QString(QWidget* parent, const QString& title, const QString& start)>;
// Replaces the picker (an empty function restores the system's).
void SetFolderPicker(FolderPicker picker);
