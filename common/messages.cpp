#include "common/messages.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string_view>

#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(context, text) text
#endif

namespace tagforge {

namespace {

constexpr MessageEntry kMessages[] = {
    {101, QT_TRANSLATE_NOOP("Messages", "Inf&o über VESMOR Tagforge ...")},
    {104, QT_TRANSLATE_NOOP("Messages", "Timeout")},
    {112, QT_TRANSLATE_NOOP("Messages", "Fehler: Falsche Datenanzahl")},
    {115, QT_TRANSLATE_NOOP("Messages", "Fehler. Falsche Datenanzahl gesendet\r\n")},
    {117, QT_TRANSLATE_NOOP("Messages", "Unbekannter Fehler ist aufgetreten")},
    {118, QT_TRANSLATE_NOOP("Messages", "Kollision Fehler")},
    {129, QT_TRANSLATE_NOOP("Messages",
                            "An diesem Port ist kein Leser angeschlossen.\r\n"
                            "Bitte wählen sie eine andere Schnittstelle.")},
    {139, QT_TRANSLATE_NOOP("Messages", "FW V%d.%02d")},
    {165, QT_TRANSLATE_NOOP("Messages", "Blocklänge ist nicht korrekt")},
    {171, QT_TRANSLATE_NOOP("Messages", "Deutsch")},
    {172, QT_TRANSLATE_NOOP("Messages", "Englisch")},
    {176, QT_TRANSLATE_NOOP("Messages", "Unbekanntes Kommando")},
    {177, QT_TRANSLATE_NOOP("Messages", "Keine \"Value\" Information im Block enthalten!\r\n")},
    {180, QT_TRANSLATE_NOOP("Messages", "Fehler beim Port öffnen")},
    {188, QT_TRANSLATE_NOOP("Messages", "Keine Sendedaten")},
    {189, QT_TRANSLATE_NOOP("Messages", "Falsche Parameter")},
    {206, QT_TRANSLATE_NOOP("Messages", "ISO Fehler 0x01: Kommando wird nicht unterstützt")},
    {207, QT_TRANSLATE_NOOP("Messages", "ISO Fehler 0x02: Kommando wurde nicht erkannt")},
    {208, QT_TRANSLATE_NOOP("Messages", "ISO Fehler 0x03: Kommando Option wird nicht unterstützt")},
    {209, QT_TRANSLATE_NOOP("Messages", "ISO Fehler 0x0F: Allgemeiner Fehler")},
    {210, QT_TRANSLATE_NOOP("Messages", "ISO Fehler 0x10: Block nicht verfügbar")},
    {211, QT_TRANSLATE_NOOP("Messages", "ISO Fehler 0x11: Block ist bereits gesperrt")},
    {212, QT_TRANSLATE_NOOP("Messages",
                            "ISO Fehler 0x12: Block ist gesperrt und kann nicht geändert werden")},
    {213, QT_TRANSLATE_NOOP("Messages", "ISO Fehler 0x13: Blockprogrammierung fehlgeschlagen")},
    {214, QT_TRANSLATE_NOOP("Messages", "ISO Fehler 0x14: Sperrung des Blocks fehlgeschlagen")},
    {215, QT_TRANSLATE_NOOP("Messages", "Fehlerlänge hat nicht die erwartete Größe")},
    {218, QT_TRANSLATE_NOOP("Messages", " ")},
    {219, QT_TRANSLATE_NOOP("Messages", "Im Feld sind mehrere Transponder")},
    {220, QT_TRANSLATE_NOOP("Messages", "Kein Transponder vorhanden")},
    // Transponder type lines: the serial number is a signed 64-bit number ("%lld").
    {222,
     QT_TRANSLATE_NOOP("Messages", "Transpondertyp: STMicrotronics  LRI512   Seriennummer: %lld")},
    {223, QT_TRANSLATE_NOOP("Messages", "Transpondertyp: Philips  ICode2   Seriennummer: %lld")},
    {224, QT_TRANSLATE_NOOP("Messages", "Transpondertyp: Infineon  My-D   Seriennummer: %lld")},
    {225, QT_TRANSLATE_NOOP("Messages",
                            "Transpondertyp: Texas Instruments  TagIt2  Seriennummer: %lld")},
    {226,
     QT_TRANSLATE_NOOP("Messages", "Transpondertyp: Electro-Marin  EM4135  Seriennummer: %lld")},
    {227, QT_TRANSLATE_NOOP("Messages", "Transpondertyp: Fujitsu  MB89R116  Seriennummer: %lld")},
    {228,
     QT_TRANSLATE_NOOP("Messages", "Transpondertyp: KSW Microtec  TempSens  Seriennummer: %lld")},
    {229, QT_TRANSLATE_NOOP("Messages", "Unknown Type: IC Mfg code %d     Seriennummer: %lld")},
    {230, QT_TRANSLATE_NOOP("Messages", "Kein gültiger Transponder vorhanden!")},
    {231, QT_TRANSLATE_NOOP("Messages",
                            "Das gewählte Gerät ist ein reiner Leser! "
                            "Hier wird jedoch ein Programmer benötigt!")},
    {600, QT_TRANSLATE_NOOP("Messages", "Neue Version:")},
    {601, QT_TRANSLATE_NOOP("Messages", " ist aktuell")},
    {602,
     QT_TRANSLATE_NOOP("Messages", "Keine Internet Verbindung: Update Prüfung nicht möglich!")},
    {603, QT_TRANSLATE_NOOP("Messages", "Keine Datei gefunden: Update Prüfung nicht möglich!")},
    {604, QT_TRANSLATE_NOOP("Messages", "Update wird gestartet, bitte warten!")},
    {605, QT_TRANSLATE_NOOP("Messages",
                            "Kein Update-Server eingerichtet: Update Prüfung nicht möglich!")},
    {1000, QT_TRANSLATE_NOOP("Messages", "Schnittstelle wählen")},
    {1001, QT_TRANSLATE_NOOP("Messages", "Einstellungen")},
    {10000, QT_TRANSLATE_NOOP("Messages", "Nicht genügend Systemresourcen vorhanden!")},
    {10001, QT_TRANSLATE_NOOP("Messages",
                              "Zum Anzeigen der Hilfe wird ein Programm für PDF-Dateien "
                              "benötigt.\r\nBitte installieren Sie einen PDF-Betrachter, zum "
                              "Beispiel das Paket \"evince\" oder \"okular\" aus der "
                              "Paketverwaltung Ihres Systems.")},
    {10002, QT_TRANSLATE_NOOP("Messages", "Unbekannter Fehler %d")},
    {10128, QT_TRANSLATE_NOOP("Messages", "Gültige IP Adresse eingeben!")},
    {10129, QT_TRANSLATE_NOOP("Messages", "Liste aller gefundenen IP-Adressen")},
    {10130, QT_TRANSLATE_NOOP(
                "Messages", "IP-Adresse, Subnetzmaske oder Gateway konnte nicht gesetzt werden!")},
    {10131,
     QT_TRANSLATE_NOOP("Messages",
                       "Keine Geräte gefunden!\nBitte prüfen Sie die Firewall-Einstellungen!\n"
                       "Evtl. muss das Programm manuell in der Firewall freigegeben werden.")},
    // What to do for a USB reader found without its driver: on Linux there is nothing to
    // download, the kernel module and the device permissions are what it needs.
    {10132,
     QT_TRANSLATE_NOOP("Messages",
                       "USB-Leser brauchen unter Linux keinen Treiber zum Herunterladen, sondern "
                       "das passende Kernelmodul und die Geräterechte:\n"
                       "1. Virtueller COM-Port: sudo modprobe cdc_acm; FTDI-Leser: sudo modprobe "
                       "ftdi_sio (oder die D2XX-Bibliothek libftd2xx.so installieren).\n"
                       "2. Die udev-Regeln des Pakets vesmor-tagforge installieren "
                       "(/usr/lib/udev/rules.d/70-vesmor-tagforge.rules).\n"
                       "3. Den Benutzer in die Gruppen dialout und plugdev aufnehmen: sudo usermod "
                       "-aG dialout,plugdev $USER, danach neu anmelden.\n"
                       "4. Den Leser abziehen und wieder anstecken.\n"
                       "Mehr im Handbuch (F1), Abschnitt „2. Leser anschließen“.")},
    {10133, QT_TRANSLATE_NOOP("Messages", "Kein Vek USB Treiber für ORLAN-A installiert!")},
    {10134, QT_TRANSLATE_NOOP("Messages", "Kein Vek USB Treiber für ORLAN-B VCOM installiert!")},
    {10135, QT_TRANSLATE_NOOP("Messages", "Treiber laden und installieren?")},
    {32844, QT_TRANSLATE_NOOP("Messages", "Logdatei \"Schreiben\" wählen")},
    {32845, QT_TRANSLATE_NOOP("Messages", "Logdatei \"Lesen\" wählen")},
    {32846, QT_TRANSLATE_NOOP("Messages", "OK")},
    {32847, QT_TRANSLATE_NOOP("Messages", "Abbruch")},
    {32848, QT_TRANSLATE_NOOP("Messages", "Es ist kein Porthandle vorhanden")},
    {32849, QT_TRANSLATE_NOOP("Messages", "Maximale Blocknummer überschritten")},
    {32850, QT_TRANSLATE_NOOP("Messages", "Wert <%s> erfolgreich geschrieben")},
    {32853, QT_TRANSLATE_NOOP("Messages", "Byteanzahl ist zu klein")},
    {32854, QT_TRANSLATE_NOOP("Messages",
                              "Bytanzahl größer 8 kann im Dezimal-Modus nicht "
                              "bearbeitetet werden")},
    {32855, QT_TRANSLATE_NOOP("Messages", "Writebuffer zu klein")},
    {32856, QT_TRANSLATE_NOOP("Messages",
                              "Transponder nicht eindeutig im Feld! "
                              "Bitte einen Transponder auflegen.")},
    {32857, QT_TRANSLATE_NOOP("Messages", "Keine Daten vorhanden!")},
    {32858, QT_TRANSLATE_NOOP("Messages",
                              "Beim Infineon Transponder sind die Blocknummern 0,1 "
                              "und 2 nicht beschreibbar!")},
    {32860, QT_TRANSLATE_NOOP("Messages", "<%04d> Daten erfolgreich geschrieben!")},
    {32861, QT_TRANSLATE_NOOP("Messages", "Fehler beim Laden der Tag Info!")},
    {32862, QT_TRANSLATE_NOOP("Messages", "Kein Transponder gelesen!")},
    {40001, QT_TRANSLATE_NOOP("Messages", "Geben Sie eine positive ganze Zahl ein.")},
    {40002, QT_TRANSLATE_NOOP("Messages", "Geben Sie eine ganze Zahl zwischen %1 und %2 ein.")},
    {40003, QT_TRANSLATE_NOOP("Messages", "Geben Sie höchstens %1 Zeichen ein.")},
    {40004, QT_TRANSLATE_NOOP("Messages", "Keine Hex-Eingabe")},
    {40005, QT_TRANSLATE_NOOP("Messages", "Keine Dezimal-Eingabe")},
    {40006, QT_TRANSLATE_NOOP("Messages", "Datenfeld enthält mehr Daten als erlaubt sind.")},
    {40007, QT_TRANSLATE_NOOP("Messages", "OnSchreiben UpdateData Fehler")},
    {40008, QT_TRANSLATE_NOOP("Messages", "Geben Sie eine ganze Zahl ein.")},
    {40009, QT_TRANSLATE_NOOP("Messages",
                              "Die Verbindung zum Leser ist unterbrochen! "
                              "Bitte die Schnittstelle neu wählen.")},
    {40010, QT_TRANSLATE_NOOP("Messages", "Protokolleintrag nicht gespeichert: %1 (%2)")},
    {40011, QT_TRANSLATE_NOOP("Messages", "von einem anderen Programm gesperrt")},
    {40012, QT_TRANSLATE_NOOP("Messages", "Datenträger voll")},
    {40013, QT_TRANSLATE_NOOP("Messages", "Datei zu groß")},
    {40014, QT_TRANSLATE_NOOP("Messages", "keine Schreibberechtigung")},
    {40015, QT_TRANSLATE_NOOP("Messages", "Verzeichnis nicht vorhanden")},
    {40016, QT_TRANSLATE_NOOP("Messages", "Fehler %1: %2")},
    {40017,
     QT_TRANSLATE_NOOP("Messages", "Protokolleintrag nicht gespeichert: %1 (%2). Eintrag: %3")},
    {40018, QT_TRANSLATE_NOOP("Messages", "Die Verbindung zum Leser %1 ist unterbrochen.")},
    {40019, QT_TRANSLATE_NOOP("Messages", "Der Wert <%1> passt nicht in %2 Bytes.")},
    {40020, QT_TRANSLATE_NOOP("Messages",
                              "Zyklus beendet: %1 Transponder geschrieben, %2 fehlgeschlagen, "
                              "letzter Wert <%3>")},
    {40021, QT_TRANSLATE_NOOP("Messages",
                              "Zyklus beendet: %1 Transponder gelesen, %2 fehlgeschlagen, "
                              "letzter Wert <%3>")},
    {40022, QT_TRANSLATE_NOOP("Messages", "Datensatz nicht gespeichert: %1 (%2)")},
    {40023, QT_TRANSLATE_NOOP("Messages", "Datensatz nicht gelesen: %1 (%2)")},
    {40230, QT_TRANSLATE_NOOP("Messages",
                              "Zählerstand nicht gespeichert, Transponder nicht beschrieben: "
                              "%1 (%2)")},
    {40231, QT_TRANSLATE_NOOP("Messages", "Protokolldatei ist keine normale Datei: %1")},
    {40232, QT_TRANSLATE_NOOP("Messages", "%1 ist in Format %2 nicht erlaubt")},
    {40233, QT_TRANSLATE_NOOP("Messages", "%1 aus %2 wird in Format %3 nicht verwendet")},
    {40250, QT_TRANSLATE_NOOP("Messages", "Datenbank: %1. Zyklus angehalten.")},
    {40251, QT_TRANSLATE_NOOP("Messages", "Job \"%1\" gibt es in der Datenbank nicht.")},
    {40252, QT_TRANSLATE_NOOP("Messages", "Job %1: Wertebereich ausgeschöpft (letzter Wert %2).")},
    {40253, QT_TRANSLATE_NOOP("Messages", "Transponder UID %1 hat bereits den Wert %2 (Station %3)")},
    {40254, QT_TRANSLATE_NOOP("Messages", "Job %1, Station %2 (%3)")},
    {40255, QT_TRANSLATE_NOOP("Messages", "Datenbank-Job ...")},
    {57344, QT_TRANSLATE_NOOP("Messages", "VESMOR Tagforge")},
};

struct ErrorCodeEntry {
    int errorCode;
    int messageId;
};

constexpr ErrorCodeEntry kErrorCodeMessages[] = {
    {3, 180},  {4, 104},  {5, 165},  {6, 112},  {7, 189},  {8, 188},  {11, 129}, {19, 177},
    {20, 115}, {21, 230}, {23, 118}, {24, 176}, {32, 206}, {33, 207}, {34, 208}, {35, 209},
    {36, 210}, {37, 211}, {38, 212}, {39, 213}, {40, 214}, {42, 215},
};

std::atomic<MessageTranslator> g_translator{nullptr};

}  // namespace

std::span<const MessageEntry> AllMessages() {
    return kMessages;
}

const char* GermanMessageText(int id) {
    for (const MessageEntry& message : kMessages) {
        if (message.id == id) {
            return message.german;
        }
    }
    return "";
}

void SetMessageTranslator(MessageTranslator translator) {
    g_translator.store(translator);
}

const char* MessageText(int id) {
    const char* german = GermanMessageText(id);
    const MessageTranslator translator = g_translator.load();
    if (translator == nullptr || *german == '\0') {
        return german;
    }
    const char* translated = translator(id, german);
    return translated != nullptr ? translated : german;
}

std::string MessageWithArgs(int id, const std::vector<std::string>& args) {
    return FillArgs(MessageText(id), args);
}

std::string FillArgs(std::string_view text, const std::vector<std::string>& args) {
    std::string result;
    for (size_t i = 0; i < text.size(); ++i) {
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        const size_t arg = static_cast<size_t>(next - '1');
        if (text[i] == '%' && next >= '1' && next <= '9' && arg < args.size()) {
            result += args[arg];
            ++i;
        } else {
            result += text[i];
        }
    }
    return result;
}

std::string MessageWithText(int id, const std::string& text) {
    std::string result = MessageText(id);
    if (const size_t at = result.find("%s"); at != std::string::npos) {
        result.replace(at, 2, text);
    }
    return result;
}

std::string MessageWithNumber(int id, int number) {
    char text[256];
    std::snprintf(text, sizeof text, MessageText(id), number);
    return text;
}

int ErrorCodeMessageId(int errorCode) {
    for (const auto& entry : kErrorCodeMessages) {
        if (entry.errorCode == errorCode) {
            return entry.messageId;
        }
    }
    return kMsgUnknownError;
}

std::string ErrorCodeMessage(int errorCode) {
    return MessageText(ErrorCodeMessageId(errorCode));
}

}  // namespace tagforge
