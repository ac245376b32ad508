<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="de">
<context>
    <name>CAboutDlg</name>
    <message>
        <source>Info über VESMOR Tagforge</source>
        <translation>About VESMOR Tagforge</translation>
    </message>
    <message>
        <source>VESMOR Tagforge V</source>
        <translation>VESMOR Tagforge V</translation>
    </message>
    <message>
        <source>Programmieren von ISO-15693-Transpondern mit VESMOR-Lesern</source>
        <translation>Programming ISO 15693 transponders with VESMOR readers</translation>
    </message>
    <message>
        <source>Handbuch (F1):</source>
        <translation>Manual (F1):</translation>
    </message>
    <message>
        <source>Lizenz und Urheberrecht:</source>
        <translation>Licence and copyright:</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>automatisch auf neue Version prüfen</source>
        <translation>check for a new version automatically</translation>
    </message>
    <message>
        <source>Nach Update suchen</source>
        <translation>Check for updates</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>CBeepTimeDlg</name>
    <message>
        <source>Einstellungen</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Tondauer</source>
        <translation>Beep length</translation>
    </message>
    <message>
        <source>ms</source>
        <translation>ms</translation>
    </message>
    <message>
        <source>(0 ms = Ton aus)</source>
        <translation>(0 ms = no beep)</translation>
    </message>
    <message>
        <source>Zykluszeit</source>
        <translation>Cycle time</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>CIPAddrSuche</name>
    <message>
        <source>IP-Adressen</source>
        <translation>IP addresses</translation>
    </message>
    <message>
        <source>Suche nach LAN-Geräten ...</source>
        <translation>Searching for LAN devices ...</translation>
    </message>
    <message>
        <source>IP-Adresse ändern</source>
        <translation>Change IP address</translation>
    </message>
    <message>
        <source>Schliessen</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>CISO15693Dlg</name>
    <message>
        <source>VESMOR Tagforge (Transponder Inhalt)</source>
        <translation>VESMOR Tagforge (Transponder Content)</translation>
    </message>
    <message>
        <source>Kein Transponder vorhanden</source>
        <translation>No transponder present</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>Status:</translation>
    </message>
    <message>
        <source>Alles Lesen</source>
        <translation>Read All</translation>
    </message>
    <message>
        <source>Schließen</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>BlockNr</source>
        <translation>Block No.</translation>
    </message>
    <message>
        <source>Daten</source>
        <translation>Data</translation>
    </message>
    <message>
        <source>Speichern…</source>
        <translation>Save…</translation>
    </message>
    <message>
        <source>Vergleichen…</source>
        <translation>Compare…</translation>
    </message>
    <message>
        <source>ASCII</source>
        <translation>ASCII</translation>
    </message>
    <message>
        <source>Abbild (*.json);;Binär (*.bin);;CSV (*.csv);;Alle Dateien (*)</source>
        <translation>Image (*.json);;Binary (*.bin);;CSV (*.csv);;All files (*)</translation>
    </message>
    <message>
        <source>Keine Blöcke gelesen: nichts zu speichern</source>
        <translation>No blocks read: nothing to save</translation>
    </message>
    <message>
        <source>ist ein symbolischer Link</source>
        <translation>is a symbolic link</translation>
    </message>
    <message>
        <source>%1: nicht gespeichert: %2</source>
        <translation>%1: not saved: %2</translation>
    </message>
    <message>
        <source>Gespeichert: %1</source>
        <translation>Saved: %1</translation>
    </message>
    <message>
        <source>Gleich: alle %1 Blöcke</source>
        <translation>Equal: all %1 blocks</translation>
    </message>
    <message>
        <source>Verschieden: %1 von %2 Blöcken (%3)</source>
        <translation>Different: %1 of %2 blocks (%3)</translation>
    </message>
    <message>
        <source>Abbild speichern</source>
        <translation>Save image</translation>
    </message>
    <message>
        <source>Mit Abbild vergleichen</source>
        <translation>Compare with image</translation>
    </message>
</context>
<context>
    <name>CLanConfig</name>
    <message>
        <source>LAN Einstellung</source>
        <translation>LAN settings</translation>
    </message>
    <message>
        <source>IP Adresse automatisch beziehen</source>
        <translation>Obtain an IP address automatically</translation>
    </message>
    <message>
        <source>-</source>
        <translation>-</translation>
    </message>
    <message>
        <source>Folgende IP Adresse verwenden</source>
        <translation>Use the following IP address</translation>
    </message>
    <message>
        <source>Subnetzmaske:</source>
        <translation>Subnet mask:</translation>
    </message>
    <message>
        <source>Gateway:</source>
        <translation>Gateway:</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>CPortDlg</name>
    <message>
        <source>Schnittstelle</source>
        <translation>Interface</translation>
    </message>
    <message>
        <source>Schnittstelle auswählen</source>
        <translation>Select interface</translation>
    </message>
    <message>
        <source>Ethernet aktivieren</source>
        <translation>Enable Ethernet</translation>
    </message>
    <message>
        <source>IP ?</source>
        <translation>IP ?</translation>
    </message>
    <message>
        <source>HID Mode</source>
        <translation>HID Mode</translation>
    </message>
    <message>
        <source>Virtual Com</source>
        <translation>Virtual Com</translation>
    </message>
    <message>
        <source>Baudrate</source>
        <translation>Baud rate</translation>
    </message>
    <message>
        <source>2400</source>
        <translation>2400</translation>
    </message>
    <message>
        <source>4800</source>
        <translation>4800</translation>
    </message>
    <message>
        <source>9600</source>
        <translation>9600</translation>
    </message>
    <message>
        <source>19200</source>
        <translation>19200</translation>
    </message>
    <message>
        <source>Timeout in [ms]</source>
        <translation>Timeout in [ms]</translation>
    </message>
    <message>
        <source>Parität</source>
        <translation>Parity</translation>
    </message>
    <message>
        <source>keine</source>
        <translation>none</translation>
    </message>
    <message>
        <source>gerade</source>
        <translation>even</translation>
    </message>
    <message>
        <source>ungerade</source>
        <translation>odd</translation>
    </message>
    <message>
        <source>Geräteadresse [dez.]</source>
        <translation>Device address [dec.]</translation>
    </message>
    <message>
        <source>Stopbits:</source>
        <translation>Stop bits:</translation>
    </message>
    <message>
        <source>1</source>
        <translation>1</translation>
    </message>
    <message>
        <source>2</source>
        <translation>2</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>CVESMOR_TagforgeDlg</name>
    <message>
        <source>VESMOR Tagforge</source>
        <translation>VESMOR Tagforge</translation>
    </message>
    <message>
        <source>Parameter</source>
        <translation>Parameters</translation>
    </message>
    <message>
        <source>Startblock</source>
        <translation>Start block</translation>
    </message>
    <message>
        <source>Länge in Bytes</source>
        <translation>Length in bytes</translation>
    </message>
    <message>
        <source>Datenformat</source>
        <translation>Data format</translation>
    </message>
    <message>
        <source>Hexadezimalzahl binär</source>
        <translation>Hexadecimal number, binary</translation>
    </message>
    <message>
        <source>Hexadezimalzahl ASCII</source>
        <translation>Hexadecimal number, ASCII</translation>
    </message>
    <message>
        <source>Dezimalzahl binär</source>
        <translation>Decimal number, binary</translation>
    </message>
    <message>
        <source>Dezimalzahl ASCII</source>
        <translation>Decimal number, ASCII</translation>
    </message>
    <message>
        <source>Daten binär</source>
        <translation>Data, binary</translation>
    </message>
    <message>
        <source>Daten ASCII</source>
        <translation>Data, ASCII</translation>
    </message>
    <message>
        <source>Logdateien</source>
        <translation>Log files</translation>
    </message>
    <message>
        <source>Schreiben protokollieren</source>
        <translation>Log writing</translation>
    </message>
    <message>
        <source>...</source>
        <translation>...</translation>
    </message>
    <message>
        <source>Lesen protokollieren</source>
        <translation>Log reading</translation>
    </message>
    <message>
        <source>Lesen</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>Zyklisch </source>
        <translation>Cyclic </translation>
    </message>
    <message>
        <source>Einmalig</source>
        <translation>Once</translation>
    </message>
    <message>
        <source>Alles</source>
        <translation>All</translation>
    </message>
    <message>
        <source>letzten Wert beibehalten</source>
        <translation>keep last value</translation>
    </message>
    <message>
        <source>&gt;&gt;</source>
        <translation>&gt;&gt;</translation>
    </message>
    <message>
        <source>Schreiben</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>Zyklisch</source>
        <translation>Cyclic</translation>
    </message>
    <message>
        <source>Auto increment</source>
        <translation>Auto increment</translation>
    </message>
    <message>
        <source>Führende Nullen</source>
        <translation>Leading zeros</translation>
    </message>
    <message>
        <source>Zusatztext zulassen</source>
        <translation>Allow extra text</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Reset Status</source>
        <translation>Reset status</translation>
    </message>
    <message>
        <source>Datensatz lesen</source>
        <translation>Load data set</translation>
    </message>
    <message>
        <source>Datensatz schreiben</source>
        <translation>Save data set</translation>
    </message>
    <message>
        <source>Schliessen</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Menü</source>
        <translation>Menu</translation>
    </message>
    <message>
        <source>Einstellungen, Schnittstelle, Sprache und Info (F1: Hilfe)</source>
        <translation>Settings, interface, language and about (F1: help)</translation>
    </message>
    <message>
        <source>VESMOR_Tagforge_Handbuch.pdf</source>
        <translation>VESMOR_Tagforge_Manual.pdf</translation>
    </message>
</context>
<context>
    <name>Messages</name>
    <message>
        <source>Inf&amp;o über VESMOR Tagforge ...</source>
        <translation>Ab&amp;out VESMOR Tagforge ...</translation>
    </message>
    <message>
        <source>Timeout</source>
        <translation>Timeout</translation>
    </message>
    <message>
        <source>Fehler: Falsche Datenanzahl</source>
        <translation>Error: wrong data count</translation>
    </message>
    <message>
        <source>Fehler. Falsche Datenanzahl gesendet<byte value="xd"/>
</source>
        <translation>Error. Wrong data count sent<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>Unbekannter Fehler ist aufgetreten</source>
        <translation>An unknown error occurred</translation>
    </message>
    <message>
        <source>Kollision Fehler</source>
        <translation>Collision error</translation>
    </message>
    <message>
        <source>An diesem Port ist kein Leser angeschlossen.<byte value="xd"/>
Bitte wählen sie eine andere Schnittstelle.</source>
        <translation>No reader is connected to this port.<byte value="xd"/>
Please choose another interface.</translation>
    </message>
    <message>
        <source>FW V%d.%02d</source>
        <translation>FW V%d.%02d</translation>
    </message>
    <message>
        <source>Blocklänge ist nicht korrekt</source>
        <translation>Block length is not correct</translation>
    </message>
    <message>
        <source>Deutsch</source>
        <translation>German</translation>
    </message>
    <message>
        <source>Englisch</source>
        <translation>English</translation>
    </message>
    <message>
        <source>Unbekanntes Kommando</source>
        <translation>Unknown command</translation>
    </message>
    <message>
        <source>Keine &quot;Value&quot; Information im Block enthalten!<byte value="xd"/>
</source>
        <translation>The block holds no &quot;Value&quot; information!<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>Fehler beim Port öffnen</source>
        <translation>Error opening the port</translation>
    </message>
    <message>
        <source>Keine Sendedaten</source>
        <translation>No data to send</translation>
    </message>
    <message>
        <source>Falsche Parameter</source>
        <translation>Wrong parameters</translation>
    </message>
    <message>
        <source>ISO Fehler 0x01: Kommando wird nicht unterstützt</source>
        <translation>ISO error 0x01: command not supported</translation>
    </message>
    <message>
        <source>ISO Fehler 0x02: Kommando wurde nicht erkannt</source>
        <translation>ISO error 0x02: command not recognised</translation>
    </message>
    <message>
        <source>ISO Fehler 0x03: Kommando Option wird nicht unterstützt</source>
        <translation>ISO error 0x03: command option not supported</translation>
    </message>
    <message>
        <source>ISO Fehler 0x0F: Allgemeiner Fehler</source>
        <translation>ISO error 0x0F: general error</translation>
    </message>
    <message>
        <source>ISO Fehler 0x10: Block nicht verfügbar</source>
        <translation>ISO error 0x10: block not available</translation>
    </message>
    <message>
        <source>ISO Fehler 0x11: Block ist bereits gesperrt</source>
        <translation>ISO error 0x11: block is already locked</translation>
    </message>
    <message>
        <source>ISO Fehler 0x12: Block ist gesperrt und kann nicht geändert werden</source>
        <translation>ISO error 0x12: block is locked and cannot be changed</translation>
    </message>
    <message>
        <source>ISO Fehler 0x13: Blockprogrammierung fehlgeschlagen</source>
        <translation>ISO error 0x13: block programming failed</translation>
    </message>
    <message>
        <source>ISO Fehler 0x14: Sperrung des Blocks fehlgeschlagen</source>
        <translation>ISO error 0x14: locking the block failed</translation>
    </message>
    <message>
        <source>Fehlerlänge hat nicht die erwartete Größe</source>
        <translation>Error length does not have the expected size</translation>
    </message>
    <message>
        <source> </source>
        <translation> </translation>
    </message>
    <message>
        <source>Im Feld sind mehrere Transponder</source>
        <translation>There are several transponders in the field</translation>
    </message>
    <message>
        <source>Kein Transponder vorhanden</source>
        <translation>No transponder present</translation>
    </message>
    <message>
        <source>Transpondertyp: STMicrotronics  LRI512   Seriennummer: %lld</source>
        <translation>Transponder type: STMicrotronics  LRI512   Serial number: %lld</translation>
    </message>
    <message>
        <source>Transpondertyp: Philips  ICode2   Seriennummer: %lld</source>
        <translation>Transponder type: Philips  ICode2   Serial number: %lld</translation>
    </message>
    <message>
        <source>Transpondertyp: Infineon  My-D   Seriennummer: %lld</source>
        <translation>Transponder type: Infineon  My-D   Serial number: %lld</translation>
    </message>
    <message>
        <source>Transpondertyp: Texas Instruments  TagIt2  Seriennummer: %lld</source>
        <translation>Transponder type: Texas Instruments  TagIt2  Serial number: %lld</translation>
    </message>
    <message>
        <source>Transpondertyp: Electro-Marin  EM4135  Seriennummer: %lld</source>
        <translation>Transponder type: Electro-Marin  EM4135  Serial number: %lld</translation>
    </message>
    <message>
        <source>Transpondertyp: Fujitsu  MB89R116  Seriennummer: %lld</source>
        <translation>Transponder type: Fujitsu  MB89R116  Serial number: %lld</translation>
    </message>
    <message>
        <source>Transpondertyp: KSW Microtec  TempSens  Seriennummer: %lld</source>
        <translation>Transponder type: KSW Microtec  TempSens  Serial number: %lld</translation>
    </message>
    <message>
        <source>Unknown Type: IC Mfg code %d     Seriennummer: %lld</source>
        <translation>Unknown Type: IC Mfg code %d     Serial number: %lld</translation>
    </message>
    <message>
        <source>Kein gültiger Transponder vorhanden!</source>
        <translation>No valid transponder present!</translation>
    </message>
    <message>
        <source>Das gewählte Gerät ist ein reiner Leser! Hier wird jedoch ein Programmer benötigt!</source>
        <translation>The selected device is a reader only! A programmer is needed here!</translation>
    </message>
    <message>
        <source>Schnittstelle wählen</source>
        <translation>Choose interface</translation>
    </message>
    <message>
        <source>Einstellungen</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Nicht genügend Systemresourcen vorhanden!</source>
        <translation>Not enough system resources available!</translation>
    </message>
    <message>
        <source>Zum Anzeigen der Hilfe wird ein Programm für PDF-Dateien benötigt.<byte value="xd"/>
Bitte installieren Sie einen PDF-Betrachter, zum Beispiel das Paket &quot;evince&quot; oder &quot;okular&quot; aus der Paketverwaltung Ihres Systems.</source>
        <translation>Showing the help needs a program for PDF files.<byte value="xd"/>
Please install a PDF viewer, for example the package &quot;evince&quot; or &quot;okular&quot; from your system&apos;s package manager.</translation>
    </message>
    <message>
        <source>Unbekannter Fehler %d</source>
        <translation>Unknown error %d</translation>
    </message>
    <message>
        <source>USB-Leser brauchen unter Linux keinen Treiber zum Herunterladen, sondern das passende Kernelmodul und die Geräterechte:
1. Virtueller COM-Port: sudo modprobe cdc_acm; FTDI-Leser: sudo modprobe ftdi_sio (oder die D2XX-Bibliothek libftd2xx.so installieren).
2. Die udev-Regeln des Pakets vesmor-tagforge installieren (/usr/lib/udev/rules.d/70-vesmor-tagforge.rules).
3. Den Benutzer in die Gruppen dialout und plugdev aufnehmen: sudo usermod -aG dialout,plugdev $USER, danach neu anmelden.
4. Den Leser abziehen und wieder anstecken.
Mehr im Handbuch (F1), Abschnitt „2. Leser anschließen“.</source>
        <translation>On Linux a USB reader needs no driver download but the right kernel module and device permissions:
1. Virtual COM port: sudo modprobe cdc_acm; FTDI reader: sudo modprobe ftdi_sio (or install the D2XX library libftd2xx.so).
2. Install the udev rules of the package vesmor-tagforge (/usr/lib/udev/rules.d/70-vesmor-tagforge.rules).
3. Add the user to the groups dialout and plugdev: sudo usermod -aG dialout,plugdev $USER, then log in again.
4. Unplug the reader and plug it in again.
More in the manual (F1), section “2. Connecting a reader”.</translation>
    </message>
    <message>
        <source>Kein Vek USB Treiber für ORLAN-A installiert!</source>
        <translation>No Vek USB driver for ORLAN-A installed!</translation>
    </message>
    <message>
        <source>Kein Vek USB Treiber für ORLAN-B VCOM installiert!</source>
        <translation>No Vek USB driver for ORLAN-B VCOM installed!</translation>
    </message>
    <message>
        <source>Treiber laden und installieren?</source>
        <translation>Download and install the driver?</translation>
    </message>
    <message>
        <source>Logdatei &quot;Schreiben&quot; wählen</source>
        <translation>Choose the &quot;Write&quot; log file</translation>
    </message>
    <message>
        <source>Logdatei &quot;Lesen&quot; wählen</source>
        <translation>Choose the &quot;Read&quot; log file</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Abbruch</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Es ist kein Porthandle vorhanden</source>
        <translation>There is no port handle</translation>
    </message>
    <message>
        <source>Maximale Blocknummer überschritten</source>
        <translation>Highest block number exceeded</translation>
    </message>
    <message>
        <source>Wert &lt;%s&gt; erfolgreich geschrieben</source>
        <translation>Value &lt;%s&gt; written successfully</translation>
    </message>
    <message>
        <source>Byteanzahl ist zu klein</source>
        <translation>Byte count is too small</translation>
    </message>
    <message>
        <source>Bytanzahl größer 8 kann im Dezimal-Modus nicht bearbeitetet werden</source>
        <translation>A byte count above 8 cannot be handled in decimal mode</translation>
    </message>
    <message>
        <source>Writebuffer zu klein</source>
        <translation>Write buffer too small</translation>
    </message>
    <message>
        <source>Transponder nicht eindeutig im Feld! Bitte einen Transponder auflegen.</source>
        <translation>Transponder not unique in the field! Please place one transponder on the reader.</translation>
    </message>
    <message>
        <source>Keine Daten vorhanden!</source>
        <translation>No data present!</translation>
    </message>
    <message>
        <source>Beim Infineon Transponder sind die Blocknummern 0,1 und 2 nicht beschreibbar!</source>
        <translation>Blocks 0, 1 and 2 of the Infineon transponder cannot be written!</translation>
    </message>
    <message>
        <source>&lt;%04d&gt; Daten erfolgreich geschrieben!</source>
        <translation>&lt;%04d&gt; Data written successfully!</translation>
    </message>
    <message>
        <source>Fehler beim Laden der Tag Info!</source>
        <translation>Error loading the tag info!</translation>
    </message>
    <message>
        <source>Kein Transponder gelesen!</source>
        <translation>No transponder read!</translation>
    </message>
    <message>
        <source>Geben Sie eine positive ganze Zahl ein.</source>
        <translation>Enter a positive whole number.</translation>
    </message>
    <message>
        <source>Geben Sie eine ganze Zahl zwischen %1 und %2 ein.</source>
        <translation>Enter a whole number between %1 and %2.</translation>
    </message>
    <message>
        <source>Geben Sie höchstens %1 Zeichen ein.</source>
        <translation>Enter at most %1 characters.</translation>
    </message>
    <message>
        <source>Keine Hex-Eingabe</source>
        <translation>Not a hexadecimal input</translation>
    </message>
    <message>
        <source>Keine Dezimal-Eingabe</source>
        <translation>Not a decimal input</translation>
    </message>
    <message>
        <source>Datenfeld enthält mehr Daten als erlaubt sind.</source>
        <translation>The data field holds more data than allowed.</translation>
    </message>
    <message>
        <source>OnSchreiben UpdateData Fehler</source>
        <translation>Write: the input could not be taken over</translation>
    </message>
    <message>
        <source>Geben Sie eine ganze Zahl ein.</source>
        <translation>Enter a whole number.</translation>
    </message>
    <message>
        <source>Die Verbindung zum Leser ist unterbrochen! Bitte die Schnittstelle neu wählen.</source>
        <translation>The connection to the reader is broken! Please choose the interface again.</translation>
    </message>
    <message>
        <source>Protokolleintrag nicht gespeichert: %1 (%2)</source>
        <translation>Log entry not stored: %1 (%2)</translation>
    </message>
    <message>
        <source>von einem anderen Programm gesperrt</source>
        <translation>locked by another program</translation>
    </message>
    <message>
        <source>Datenträger voll</source>
        <translation>disk full</translation>
    </message>
    <message>
        <source>Datei zu groß</source>
        <translation>file too large</translation>
    </message>
    <message>
        <source>keine Schreibberechtigung</source>
        <translation>no write permission</translation>
    </message>
    <message>
        <source>Verzeichnis nicht vorhanden</source>
        <translation>directory does not exist</translation>
    </message>
    <message>
        <source>Fehler %1: %2</source>
        <translation>Error %1: %2</translation>
    </message>
    <message>
        <source>Protokolleintrag nicht gespeichert: %1 (%2). Eintrag: %3</source>
        <translation>Log entry not stored: %1 (%2). Entry: %3</translation>
    </message>
    <message>
        <source>Die Verbindung zum Leser %1 ist unterbrochen.</source>
        <translation>The connection to the reader %1 is broken.</translation>
    </message>
    <message>
        <source>Der Wert &lt;%1&gt; passt nicht in %2 Bytes.</source>
        <translation>The value &lt;%1&gt; does not fit into %2 bytes.</translation>
    </message>
    <message>
        <source>Zyklus beendet: %1 Transponder geschrieben, %2 fehlgeschlagen, letzter Wert &lt;%3&gt;</source>
        <translation>Cycle ended: %1 transponders written, %2 failed, last value &lt;%3&gt;</translation>
    </message>
    <message>
        <source>Zyklus beendet: %1 Transponder gelesen, %2 fehlgeschlagen, letzter Wert &lt;%3&gt;</source>
        <translation>Cycle ended: %1 transponders read, %2 failed, last value &lt;%3&gt;</translation>
    </message>
    <message>
        <source>Neue Version:</source>
        <translation>New version:</translation>
    </message>
    <message>
        <source> ist aktuell</source>
        <translation> is up to date</translation>
    </message>
    <message>
        <source>Keine Internet Verbindung: Update Prüfung nicht möglich!</source>
        <translation>No Internet connection: cannot check for updates!</translation>
    </message>
    <message>
        <source>Keine Datei gefunden: Update Prüfung nicht möglich!</source>
        <translation>No version file found: cannot check for updates!</translation>
    </message>
    <message>
        <source>Update wird gestartet, bitte warten!</source>
        <translation>Starting the update, please wait!</translation>
    </message>
    <message>
        <source>Kein Update-Server eingerichtet: Update Prüfung nicht möglich!</source>
        <translation>No update server configured: cannot check for updates!</translation>
    </message>
    <message>
        <source>VESMOR Tagforge</source>
        <translation>VESMOR Tagforge</translation>
    </message>
    <message>
        <source>Gültige IP Adresse eingeben!</source>
        <translation>Enter a valid IP address!</translation>
    </message>
    <message>
        <source>Liste aller gefundenen IP-Adressen</source>
        <translation>List of all IP addresses found</translation>
    </message>
    <message>
        <source>IP-Adresse, Subnetzmaske oder Gateway konnte nicht gesetzt werden!</source>
        <translation>The IP address, subnet mask or gateway could not be set!</translation>
    </message>
    <message>
        <source>Keine Geräte gefunden!
Bitte prüfen Sie die Firewall-Einstellungen!
Evtl. muss das Programm manuell in der Firewall freigegeben werden.</source>
        <translation>No devices found!
Please check the firewall settings!
The program may have to be allowed through the firewall by hand.</translation>
    </message>
    <message>
        <source>Datensatz nicht gespeichert: %1 (%2)</source>
        <translation>Data set not saved: %1 (%2)</translation>
    </message>
    <message>
        <source>Datensatz nicht gelesen: %1 (%2)</source>
        <translation>Data set not loaded: %1 (%2)</translation>
    </message>
    <message>
        <source>Zählerstand nicht gespeichert, Transponder nicht beschrieben: %1 (%2)</source>
        <translation>Counter not stored, transponder not written: %1 (%2)</translation>
    </message>
    <message>
        <source>Protokolldatei ist keine normale Datei: %1</source>
        <translation>Log file is not a regular file: %1</translation>
    </message>
    <message>
        <source>%1 ist in Format %2 nicht erlaubt</source>
        <translation>%1 is not allowed in format %2</translation>
    </message>
    <message>
        <source>%1 aus %2 wird in Format %3 nicht verwendet</source>
        <translation>%1 from %2 is not used in format %3</translation>
    </message>
    <message>
        <source>Datenbank: %1. Zyklus angehalten.</source>
        <translation>Database: %1. Cycle stopped.</translation>
    </message>
    <message>
        <source>Job &quot;%1&quot; gibt es in der Datenbank nicht.</source>
        <translation>The database has no job &quot;%1&quot;.</translation>
    </message>
    <message>
        <source>Job %1: Wertebereich ausgeschöpft (letzter Wert %2).</source>
        <translation>Job %1: range used up (last value %2).</translation>
    </message>
    <message>
        <source>Transponder UID %1 hat bereits den Wert %2 (Station %3)</source>
        <translation>Transponder UID %1 already has the value %2 (station %3)</translation>
    </message>
    <message>
        <source>Job %1, Station %2 (%3)</source>
        <translation>Job %1, station %2 (%3)</translation>
    </message>
    <message>
        <source>Datenbank-Job ...</source>
        <translation>Database job ...</translation>
    </message>
</context>
<context>
    <name>TagImage</name>
    <message>
        <source>Die Datei ist kein gültiges JSON (Fehler bei Byte %1)</source>
        <translation>The file is not valid JSON (error at byte %1)</translation>
    </message>
    <message>
        <source>Die Datei enthält kein JSON-Objekt</source>
        <translation>The file holds no JSON object</translation>
    </message>
    <message>
        <source>Im Abbild fehlt &quot;%1&quot;</source>
        <translation>The image lacks "%1"</translation>
    </message>
    <message>
        <source>blockCount muss 1 bis %1 sein und blockSize 1 bis %2</source>
        <translation>blockCount must be 1 to %1 and blockSize 1 to %2</translation>
    </message>
    <message>
        <source>&quot;blocks&quot; muss %1 Einträge haben (blockCount)</source>
        <translation>"blocks" must have %1 entries (blockCount)</translation>
    </message>
    <message>
        <source>Block %1 des Abbilds ist nicht %2 Bytes in Hexadezimal (oder null)</source>
        <translation>Block %1 of the image is not %2 bytes in hexadecimal (or null)</translation>
    </message>
    <message>
        <source>&quot;uid&quot; des Abbilds ist nicht 16 hexadezimale Ziffern</source>
        <translation>The image's "uid" is not 16 hexadecimal digits</translation>
    </message>
    <message>
        <source>&quot;lockedBlocks&quot; muss eine Liste von Blocknummern des Abbilds sein</source>
        <translation>"lockedBlocks" must be a list of block numbers of the image</translation>
    </message>
    <message>
        <source>Für ein binäres Abbild ist die Blockgröße nicht bekannt</source>
        <translation>The block size of a binary image is not known</translation>
    </message>
    <message>
        <source>Die Datei hat %1 Bytes: das sind keine ganzen Blöcke zu %2 Bytes (höchstens %3 Blöcke)</source>
        <translation>The file has %1 bytes: that is no whole number of %2-byte blocks (at most %3 blocks)</translation>
    </message>
    <message>
        <source>Die erste Zeile ist nicht &quot;%1&quot;</source>
        <translation>The first line is not "%1"</translation>
    </message>
    <message>
        <source>Zeile %1 ist nicht &quot;%2,&lt;Bytes in Hexadezimal&gt;,...&quot; mit gleich großen Blöcken</source>
        <translation>Line %1 is not "%2,&lt;bytes in hexadecimal&gt;,..." with blocks of one size</translation>
    </message>
    <message>
        <source>Die Datei enthält keine Blöcke</source>
        <translation>The file holds no blocks</translation>
    </message>
    <message>
        <source>Das Abbild hat Blöcke zu %1 Bytes, der Transponder zu %2 Bytes</source>
        <translation>The image has blocks of %1 bytes, the transponder of %2 bytes</translation>
    </message>
    <message>
        <source>Das Abbild hat %1 Blöcke, der Transponder nur %2</source>
        <translation>The image has %1 blocks, the transponder only %2</translation>
    </message>
</context>
<context>
    <name>vesmor</name>
    <message>
        <source>Block %1 von %2 gelesen</source>
        <translation>Block %1 of %2 read</translation>
    </message>
    <message>
        <source>UID: %s
%s

BlockNr  Daten
</source>
        <translation>UID: %s
%s

Block No.  Data
</translation>
    </message>
    <message>
        <source>--job: %1: keine Datei</source>
        <translation>--job: %1: not a file</translation>
    </message>
    <message>
        <source>UID:            %s
%s
Blöcke:         %d
Blockgröße:     %d Bytes
IC-Hersteller:  0x%02X
</source>
        <translation>UID:            %s
%s
Blocks:         %d
Block size:     %d bytes
IC maker:       0x%02X
</translation>
    </message>
    <message>
        <source>Die Daten (%1 Bytes) füllen keine ganzen Blöcke zu %2 Bytes.</source>
        <translation>The data (%1 bytes) do not fill whole blocks of %2 bytes.</translation>
    </message>
    <message>
        <source>Block %1 bis %2 liegen nicht auf dem Transponder: er hat %3 Blöcke (0 bis %4). Nichts geschrieben.</source>
        <translation>Blocks %1 to %2 do not lie on the transponder: it has %3 blocks (0 to %4). Nothing written.</translation>
    </message>
    <message>
        <source>%1 geschrieben</source>
        <translation>%1 written</translation>
    </message>
    <message>
        <source>wird von einem anderen Programm benutzt</source>
        <translation>in use by another program</translation>
    </message>
    <message>
        <source>Gerät nicht vorhanden (vesmor ports zeigt die Schnittstellen)</source>
        <translation>no such device (vesmor ports lists the interfaces)</translation>
    </message>
    <message>
        <source>Zugriff verweigert: den Benutzer in die Gruppe dialout aufnehmen (USB-HID-Leser: plugdev), z. B. sudo usermod -aG dialout $USER, und neu anmelden; die udev-Regeln von VESMOR Tagforge geben diesen Gruppen Zugriff</source>
        <translation>access denied: add the user to the group dialout (USB HID readers: plugdev), e.g. sudo usermod -aG dialout $USER, and log in again; the udev rules of VESMOR Tagforge give these groups access</translation>
    </message>
    <message>
        <source>Kein Leser hat an %1 (Adresse %2, Baudwert %3) geantwortet: Baudrate (-b), Adresse (PORT:N) und Verbindung prüfen</source>
        <translation>No reader answered at %1 (address %2, baud value %3): check the baud rate (-b), the address (PORT:N) and the connection</translation>
    </message>
    <message>
        <source>%1: Fehler %2: %3</source>
        <translation>%1: error %2: %3</translation>
    </message>
    <message>
        <source>Wählen Sie einen davon mit --uid.</source>
        <translation>Choose one of them with --uid.</translation>
    </message>
    <message>
        <source>Verschiedene Geometrie: %1 Blöcke zu %2 Bytes gegen %3 Blöcke zu %4 Bytes</source>
        <translation>Different geometry: %1 blocks of %2 bytes against %3 blocks of %4 bytes</translation>
    </message>
    <message>
        <source>Gleich: %1 Blöcke</source>
        <translation>Equal: %1 blocks</translation>
    </message>
    <message>
        <source>Verschieden: %1 von %2 Blöcken (%3)</source>
        <translation>Different: %1 of %2 blocks (%3)</translation>
    </message>
    <message>
        <source>diff vergleicht den Transponder (-p) mit einer Abbilddatei oder zwei Abbilddateien miteinander</source>
        <translation>diff compares the transponder (-p) with an image file, or two image files with each other</translation>
    </message>
    <message>
        <source>Transponder %1</source>
        <translation>Transponder %1</translation>
    </message>
    <message>
        <source>gesperrt</source>
        <translation>locked</translation>
    </message>
    <message>
        <source>Block %1 zurücklesen</source>
        <translation>Block %1 read-back</translation>
    </message>
    <message>
        <source>Block %1: geschrieben, aber zurückgelesen %2 statt %3</source>
        <translation>Block %1: written, but read back %2 instead of %3</translation>
    </message>
    <message>
        <source>Probelauf: %1 Blöcke würden geschrieben, %2 unverändert, %3 übersprungen; nichts geschrieben</source>
        <translation>Dry run: %1 blocks would be written, %2 unchanged, %3 skipped; nothing written</translation>
    </message>
    <message>
        <source>Geschrieben: %1, unverändert: %2, fehlgeschlagen: %3, gesperrt: %4, übersprungen: %5, nicht versucht: %6</source>
        <translation>Written: %1, unchanged: %2, failed: %3, locked: %4, skipped: %5, not tried: %6</translation>
    </message>
    <message>
        <source>Geschriebene Blöcke: %1</source>
        <translation>Blocks written: %1</translation>
    </message>
    <message>
        <source>Fehlgeschlagene Blöcke: %1</source>
        <translation>Blocks failed: %1</translation>
    </message>
    <message>
        <source>Gesperrte Blöcke: %1</source>
        <translation>Blocks locked: %1</translation>
    </message>
    <message>
        <source>Nicht versuchte Blöcke: %1</source>
        <translation>Blocks not tried: %1</translation>
    </message>
    <message>
        <source>Nichts geschrieben.</source>
        <translation>Nothing written.</translation>
    </message>
    <message>
        <source>--blocks %1 liegt nicht im Abbild (Blöcke 0 bis %2). </source>
        <translation>--blocks %1 is not inside the image (blocks 0 to %2). </translation>
    </message>
    <message>
        <source>%1: nicht geschrieben: %2</source>
        <translation>%1: not written: %2</translation>
    </message>
    <message>
        <source>ist ein symbolischer Link</source>
        <translation>is a symbolic link</translation>
    </message>
    <message>
        <source>Job &quot;%1&quot; gibt es nicht</source>
        <translation>There is no job &quot;%1&quot;</translation>
    </message>
    <message>
        <source>Datenbankschema Version %1: %2</source>
        <translation>Database schema version %1: %2</translation>
    </message>
    <message>
        <source>keine Zahl im Format %1</source>
        <translation>not a number in format %1</translation>
    </message>
    <message>
        <source>ein # markiert den Platz der Zahl</source>
        <translation>one # marks the place of the number</translation>
    </message>
    <message>
        <source>Job &quot;%1&quot;: %2 bis %3</source>
        <translation>Job &quot;%1&quot;: %2 to %3</translation>
    </message>
    <message>
        <source>kommt mit --db-job aus dem Job</source>
        <translation>comes from the job with --db-job</translation>
    </message>
    <message>
        <source>--db und --station gelten nur mit --db-job</source>
        <translation>--db and --station only go with --db-job</translation>
    </message>
</context>
<context>
    <name>DbJobDlg</name>
    <message>
        <source>Datenbank-Job</source>
        <translation>Database job</translation>
    </message>
    <message>
        <source>Werte aus der Datenbank nehmen</source>
        <translation>Take the values from the database</translation>
    </message>
    <message>
        <source>leer: PG*-Umgebung; z. B. host=server dbname=vesmor</source>
        <translation>empty: PG* environment; e.g. host=server dbname=vesmor</translation>
    </message>
    <message>
        <source>Passwörter stehen in ~/.pgpass oder PGPASSFILE, nie hier.</source>
        <translation>Passwords belong in ~/.pgpass or PGPASSFILE, never here.</translation>
    </message>
    <message>
        <source>Verbindung:</source>
        <translation>Connection:</translation>
    </message>
    <message>
        <source>Job:</source>
        <translation>Job:</translation>
    </message>
    <message>
        <source>Station:</source>
        <translation>Station:</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Abbruch</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Bitte einen Job angeben.</source>
        <translation>Please name a job.</translation>
    </message>
</context>
</TS>
