// The window program speaks the user's language: its own texts from the translations compiled
// into it, Qt's (standard buttons, file dialogs) from Qt's translations folder when installed.
// Without a translation for the language the texts stay the English ones they are written in.
#pragma once

class QLocale;

namespace pictoreel {

// Installs the translations for `locale`'s languages, in place of any installed before by this
// function, and returns whether the program's own was among them. Windows made afterwards show
// the translated texts.
bool installTranslations(const QLocale& locale);

}  // namespace pictoreel
