#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace trajetix {

// Interface languages by index: the position in the language list, the column of
// every text table and the number of the flag picture.
enum Language { Portuguese, English, Spanish, German, French, Ukrainian, Chinese };
constexpr int LanguageCount = 7;

constexpr bool isLanguageIndex(int language) { return language >= 0 && language < LanguageCount; }

// The fourteen message slots, in the order the window declares them. They always
// hold the texts of one language; only a language switch replaces them.
struct MessageSlots {
    QString msglblKeyApi;
    QString msglblTotalLinhas;
    QString msgdlgbtnArquivoEnderecos;
    QString msgdlgbtnArquivoEnderecosErro;
    QString msgBrowseFolder;
    QString msgbtnDiretorioDestinoNomeArquivoFinal;
    QString msgdlgbtnProcessar;
    QString msgdlgbtnProcessarErro1;
    QString msgdlgbtnProcessarErro2;
    QString msgdlgbtnProcessarErroArg1;
    QString msgdlgbtnProcessarErroArq2;
    QString msgdlgbtnProcessarErroArg3;
    QString msgdlgbtnProcessarSucesso;
    QString msgcmbxModo;
};

// A translated text of one window control: its caption, or (for the flag picture) its hint.
struct ControlText {
    enum Kind { Caption, Hint };
    const char *objectName;
    Kind kind;
    QString text;
};

// All functions take a language index 0..6.
const MessageSlots &messageSlots(int language);
QStringList travelModeNames(int language);   // the three entries of the travel-mode list
QStringList languageNames(int language);     // the seven entries of the language list
const QList<ControlText> &controlTexts(int language); // 22 captions and one hint

} // namespace trajetix
