#pragma once
// Opens web pages and files with the desktop's programs. Tests put a recorder in its place so
// that nothing leaves the machine.
#include <QUrl>

#include <functional>

bool OpenUrl(const QUrl& url);
// Replaces the desktop opener (an empty function restores it).
void SetUrlOpener(std::function<bool(const QUrl&)> opener);
