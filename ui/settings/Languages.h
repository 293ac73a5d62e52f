#pragma once
// The language choices of the process-wide language service, for the language menu, the
// Options dialog and start-up. Texts are UTF-16. Call these on the user-interface thread.
#include "ui/settings/LanguageService.h"

// First step of start-up: activates the language file of the stored Options Language value.
void SelectStartupLanguage();

// The language menu and the Options dialog's "Default Language" box: "Default" (identifier
// 32818) followed by the enumerated files, with the identifier to check or select.
LanguageChoices ListLanguages();

// Switches to the language of a menu identifier (LanguageService::Switch with the settings file)
// and returns the identifier the menu must check (radio style over 32818..HighestLanguageId()).
// The caller then re-translates its menu and re-labels its windows.
unsigned SwitchLanguage(unsigned menuId);
unsigned HighestLanguageId();

// The status-bar prompt of a language menu item.
std::u16string LanguageDescription(unsigned menuId);
