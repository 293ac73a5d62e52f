#pragma once
// The program's message boxes: caption "Tessaly", the language's Yes/No texts.
#include <QMessageBox>

class QWidget;

// Modal question with Yes and No and the question icon; true for Yes.
bool AskYesNo(QWidget* parent, const QString& text);
// The Yes/No question box itself, for a caller that may need to dismiss it.
QMessageBox* MakeQuestion(QWidget* parent, const QString& text);
// Modal warning with OK.
void Warn(QWidget* parent, const QString& text);
// Modal error with OK.
void ShowError(QWidget* parent, const QString& text);
// Modal information with OK.
void Inform(QWidget* parent, const QString& text);
// A warning that does not block: shown and left to the user; deleted when closed.
QMessageBox* WarnLater(QWidget* parent, const QString& text, const QString& title = QString());
