#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

// The message table of the application: string ids and their German texts. The English texts
// live in the translation (context "Messages", the German text as source); a program that
// shows another language installs a translator here, and every text of the table then comes
// out in that language.
namespace tagforge {

enum MessageId : int {
    kMsgAboutMenu = 101,  // "Inf&o über VESMOR Tagforge ..."
    kMsgNoReaderAtPort = 129,
    kMsgFirmwareVersion = 139,  // "FW V%d.%02d"
    kMsgBlankLine = 218,        // a single blank: clears the content window's message line
    kMsgSeveralTransponders = 219,
    kMsgNoTransponderInField = 220,
    kMsgGerman = 171,
    kMsgEnglish = 172,
    kMsgReaderOnly = 231,
    // The About window's update status line.
    kMsgNewVersion = 600,     // "Neue Version:", followed by the title and the version
    kMsgUpToDate = 601,       // " ist aktuell", after the title
    kMsgNoConnection = 602,   // no version file text
    kMsgNoVersionFile = 603,  // a text without "Version" or "Build"
    kMsgUpdateStarting = 604,
    kMsgNoUpdateServer = 605,  // no version file address configured
    kMsgChooseInterfaceMenu = 1000,
    kMsgSettingsMenu = 1001,
    kMsgNoResources = 10000,       // help: the system is out of resources
    kMsgNeedPdfReader = 10001,     // help: no program opens PDF files
    kMsgHelpUnknownError = 10002,  // help: "Unbekannter Fehler %d"
    kMsgEnterValidIpAddress = 10128,
    kMsgLanListCaption = 10129,
    kMsgLanConfigFailed = 10130,
    kMsgNoLanDevices = 10131,
    kMsgUsbDriverPage = 10132,  // what to do for a USB reader without its driver
    kMsgNoFtdiDriver = 10133,
    kMsgNoVirtualComDriver = 10134,
    kMsgLoadDriver = 10135,
    kMsgUnknownError = 117,
    kMsgChooseWriteLog = 32844,
    kMsgChooseReadLog = 32845,
    kMsgDialogOk = 32846,
    kMsgDialogCancel = 32847,
    kMsgNoPortHandle = 32848,
    kMsgMaxBlockExceeded = 32849,
    kMsgValueWritten = 32850,  // "Wert <%s> erfolgreich geschrieben"
    kMsgByteCountTooSmall = 32853,
    kMsgDecimalAbove8Bytes = 32854,
    kMsgWriteBufferTooSmall = 32855,
    kMsgTransponderNotUnique = 32856,
    kMsgNoData = 32857,
    kMsgInfineonBlocks = 32858,
    kMsgDataWritten = 32860,  // "<%04d> Daten erfolgreich geschrieben!"
    kMsgTagInfoFailed = 32861,
    kMsgNoTransponderRead = 32862,
    kMsgProgramTitle = 57344,  // "VESMOR Tagforge"

    // Texts that have no string id of their own (input checks and one status line) get ids from
    // 40001 on, apart from every id above.
    kMsgEnterUnsignedNumber = 40001,
    kMsgEnterNumberInRange = 40002,  // %1, %2: the bounds
    kMsgEnterAtMostChars = 40003,    // %1: the limit
    kMsgNoHexInput = 40004,
    kMsgNoDecimalInput = 40005,
    kMsgTooMuchData = 40006,
    kMsgWriteTransferFailed = 40007,
    kMsgEnterNumber = 40008,
    kMsgReaderLost = 40009,
    kMsgLogNotWritten = 40010,  // %1: the log file, %2: the reason
    kMsgLogLocked = 40011,
    kMsgDiskFull = 40012,
    kMsgFileTooLarge = 40013,
    kMsgNoWriteAccess = 40014,
    kMsgNoSuchDirectory = 40015,
    kMsgFileError = 40016,  // %1: error number, %2: the system's text
    // Lines of the command-line tool.
    kMsgLogEntryLost = 40017,       // %1: log file, %2: reason, %3: the entry
    kMsgCycleReaderLost = 40018,    // %1: the connection name
    kMsgValueDoesNotFit = 40019,    // %1: the value, %2: the byte count
    kMsgWriteCycleSummary = 40020,  // %1 written, %2 failed, %3 last value
    kMsgReadCycleSummary = 40021,   // %1 read, %2 failed, %3 last value
    // Data files of the window.
    kMsgDataFileNotSaved = 40022,  // %1: the file, %2: the reason
    kMsgDataFileNotRead = 40023,   // %1: the file, %2: the reason
    // The stored counter and the log files.
    kMsgCounterNotStored = 40230,   // %1: the profile file, %2: the reason
    kMsgLogNotRegularFile = 40231,  // %1: the log file
    // Options of the command-line tool that the data format does not take.
    kMsgOptionNotInFormat = 40232,  // %1: the option, %2: the format
    kMsgJobKeyNotInFormat = 40233,  // %1: the key, %2: the data file, %3: the format
    // The shared number range in a database.
    kMsgDbUnavailable = 40250,       // %1: the server and its error
    kMsgDbNoSuchJob = 40251,         // %1: the job
    kMsgDbRangeUsedUp = 40252,       // %1: the job, %2: its last value
    kMsgDbUidWrittenBefore = 40253,  // %1: UID, %2: its value, %3: the station that wrote it
    kMsgDbJobStation = 40254,        // %1: the job, %2: the station, %3: the server
    kMsgDbJobMenu = 40255,           // the system menu entry of the database job window
};

struct MessageEntry {
    int id;
    const char* german;  // UTF-8
};

// Every entry of the table.
std::span<const MessageEntry> AllMessages();

// The German text (UTF-8) of a message id; "" for an unknown id.
const char* GermanMessageText(int id);

// Gives the text of a message in the language shown, from its id and German text; null keeps
// the German text. The returned text must stay valid until the translator is replaced.
using MessageTranslator = const char* (*)(int id, const char* german);

// Installs the translator every later MessageText goes through (null: German).
void SetMessageTranslator(MessageTranslator translator);

// The text (UTF-8) of a message id in the language shown; "" for an unknown id.
const char* MessageText(int id);

// `text` with "%1", "%2", ... replaced by args[0], args[1], ... in one pass (a "%2" inside an
// argument stays as it is).
std::string FillArgs(std::string_view text, const std::vector<std::string>& args);

// The text of `id` with "%1", "%2", ... replaced by args[0], args[1], ...
std::string MessageWithArgs(int id, const std::vector<std::string>& args);

// The text of `id` with its "%s" replaced by `text` (taken as it is, '%' included).
std::string MessageWithText(int id, const std::string& text);

// The text of `id` with its one printf number placeholder ("%d", "%04d") filled with `number`.
std::string MessageWithNumber(int id, int number);

// String id of the message for a library error code (unknown codes give kMsgUnknownError).
int ErrorCodeMessageId(int errorCode);
std::string ErrorCodeMessage(int errorCode);

}  // namespace tagforge
