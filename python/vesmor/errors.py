"""Exceptions for the failures libvesmor reports, with the library's code and its message text."""

from __future__ import annotations

from ._messages import ERROR_TEXTS, LAN_NOT_FOUND_TEXT, LAN_SET_FAILED_TEXT, UNKNOWN_ERROR_TEXT

LANGUAGES = ("de", "en")
_language = "de"

# Library error codes (VESMOR_ERR_* in vesmor.h) that the classes below are chosen by.
ERR_UNKNOWN_HANDLE = 3
ERR_TIMEOUT = 4
ERR_NO_TRANSPONDER = 21
ERR_COLLISION = 23
ERR_ISO_BASE = 32
ERR_ISO_OTHER = 41
ERR_ISO_NO_CODE = 42
ERR_NOT_SINGLE = 43
_ISO_CODES = (0x01, 0x02, 0x03, 0x0F, 0x10, 0x11, 0x12, 0x13, 0x14)


def set_language(language: str) -> None:
    """Chooses the language of the messages of exceptions raised from now on: "de" or "en"."""
    global _language
    if language not in LANGUAGES:
        raise ValueError(f"language must be one of {LANGUAGES}, not {language!r}")
    _language = language


def get_language() -> str:
    """The language of the messages: "de" (the default) or "en"."""
    return _language


def error_text(code: int, language: str | None = None) -> str:
    """The message the application shows for a library error code, in German or English."""
    german, english = ERROR_TEXTS.get(code, UNKNOWN_ERROR_TEXT)
    text = english if (language or _language) == "en" else german
    return text.replace("\r\n", "\n").rstrip()


class VesmorError(Exception):
    """A call of libvesmor failed.

    Attributes: ``code`` (the library's error code, VESMOR_GetLastError), ``operation`` (the C
    function that failed), ``result`` (its negative result) and the message in both languages.
    """

    def __init__(self, code: int, operation: str, result: int = -1, detail: str = "") -> None:
        self.code = code
        self.operation = operation
        self.result = result
        self.detail = detail
        super().__init__(self.text())

    def text(self, language: str | None = None) -> str:
        """The message in `language` ("de", "en"; default: the one set with set_language)."""
        text = f"{error_text(self.code, language)} (code {self.code}, {self.operation} = {self.result})"
        return f"{text}: {self.detail}" if self.detail else text

    @property
    def message_de(self) -> str:
        return error_text(self.code, "de")

    @property
    def message_en(self) -> str:
        return error_text(self.code, "en")


class OpenError(VesmorError, OSError):
    """No reader could be opened under the name (``result``: -1, -2, -11 or -13)."""


class PortClosedError(VesmorError):
    """The reader was closed, or its handle names no open port (code 3)."""


class ReaderTimeoutError(VesmorError, TimeoutError):
    """The reader gave no complete answer in time (code 4)."""


class ConnectionLostError(VesmorError, ConnectionError):
    """The reader's connection is gone (unplugged): open it again."""


class ArgumentError(VesmorError, ValueError):
    """The library refused an argument (block number, block count, buffer size, option)."""


class ProtocolError(VesmorError):
    """The reader's answer was malformed, incomplete or not the one expected."""


class TransponderError(VesmorError):
    """The transponder in the field did not do what was asked."""


class NoTransponderError(TransponderError):
    """No valid transponder answered (code 21), or none is in the field."""


class CollisionError(TransponderError):
    """Several transponders answered where one was expected (code 23)."""


class NotSingleTransponderError(TransponderError):
    """Not exactly one transponder in the field, and no UID was given (code 43)."""


class IsoError(TransponderError):
    """The transponder answered with an ISO 15693 error (codes 32..42); ``iso_code`` is the
    ISO error code byte, None when the transponder gave none (code 42) or another one (41)."""

    @property
    def iso_code(self) -> int | None:
        if ERR_ISO_BASE <= self.code < ERR_ISO_BASE + len(_ISO_CODES):
            return _ISO_CODES[self.code - ERR_ISO_BASE]
        return None


_CLASS_BY_CODE: dict[int, type[VesmorError]] = {
    ERR_UNKNOWN_HANDLE: PortClosedError,
    ERR_TIMEOUT: ReaderTimeoutError,
    5: ArgumentError,
    6: ProtocolError,
    7: ArgumentError,
    8: ArgumentError,
    9: ProtocolError,
    10: ProtocolError,
    13: ArgumentError,
    15: ArgumentError,
    16: ProtocolError,
    24: ProtocolError,
    ERR_NO_TRANSPONDER: NoTransponderError,
    ERR_COLLISION: CollisionError,
    ERR_NOT_SINGLE: NotSingleTransponderError,
    **{code: IsoError for code in range(ERR_ISO_BASE, ERR_ISO_NO_CODE + 1)},
}


def error_for(code: int, operation: str, result: int = -1, detail: str = "") -> VesmorError:
    """The exception of the class that fits a library error code."""
    return _CLASS_BY_CODE.get(code, VesmorError)(code, operation, result, detail)


class LanError(VesmorError):
    """A LAN reader did not answer its configuration request, or refused it. The LAN functions
    keep no error code: ``code`` is 0, the message is the application's for the case."""

    def __init__(self, result: int, operation: str, reader: str,
                 texts: tuple[str, str] = LAN_NOT_FOUND_TEXT) -> None:
        self.reader = reader
        self._texts = texts
        super().__init__(0, operation, result, reader)

    def text(self, language: str | None = None) -> str:
        german, english = self._texts
        text = english if (language or _language) == "en" else german
        return f"{text.splitlines()[0]} ({self.operation} = {self.result}: {self.reader})"

    @property
    def message_de(self) -> str:
        return self._texts[0]

    @property
    def message_en(self) -> str:
        return self._texts[1]
