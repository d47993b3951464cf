<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>AtomicReplace</name>
    <message>
        <source>the user %1</source>
        <translation>dem Benutzer %1</translation>
    </message>
    <message>
        <source>the user with uid %1</source>
        <translation>dem Benutzer mit der UID %1</translation>
    </message>
    <message>
        <source>the symlink belongs to %1, who is neither root nor the user running this program; nothing is written through it</source>
        <translation>der symbolische Link gehört %1, der weder root noch der Benutzer ist, der dieses Programm ausführt; über ihn wird nichts geschrieben</translation>
    </message>
    <message>
        <source>the folder belongs to %1, who is neither root nor the user running this program; nothing is written through it</source>
        <translation>der Ordner gehört %1, der weder root noch der Benutzer ist, der dieses Programm ausführt; in ihn wird nichts geschrieben</translation>
    </message>
    <message>
        <source>the folder belongs to %1, but other users may replace what is in it (mode %2); nothing is written through it</source>
        <translation>der Ordner gehört %1, aber andere Benutzer können ersetzen, was darin liegt (Modus %2); in ihn wird nichts geschrieben</translation>
    </message>
    <message>
        <source>the file belongs to %1, in a folder where other users may create files; it is not written</source>
        <translation>die Datei gehört %1 und liegt in einem Ordner, in dem andere Benutzer Dateien anlegen können; sie wird nicht geschrieben</translation>
    </message>
    <message>
        <source>the file was replaced, but the folder could not be flushed to the disk: </source>
        <translation>die Datei wurde ersetzt, aber der Ordner konnte nicht auf die Platte geschrieben werden: </translation>
    </message>
    <message>
        <source>another program changed the file while it was read, so it was not replaced</source>
        <translation>ein anderes Programm hat die Datei geändert, während sie gelesen wurde; sie wurde daher nicht ersetzt</translation>
    </message>
    <message>
        <source>nothing is written through it</source>
        <translation>über ihn wird nichts geschrieben</translation>
    </message>
    <message>
        <source>it is not written</source>
        <translation>sie wird nicht geschrieben</translation>
    </message>
</context>
<context>
    <name>BooleanField</name>
    <message>
        <source>No value: neither on nor off</source>
        <translation>Kein Wert: weder ein noch aus</translation>
    </message>
    <message>
        <source>Neither on nor off: %1</source>
        <translation>Weder ein noch aus: %1</translation>
    </message>
</context>
<context>
    <name>ChangesView</name>
    <message>
        <source>Show Changes</source>
        <translation>Änderungen anzeigen</translation>
    </message>
    <message>
        <source>Saving would change no file.</source>
        <translation>Speichern würde keine Datei ändern.</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Speichern</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>S&amp;chließen</translation>
    </message>
    <message>
        <source>Changes a save would make</source>
        <translation>Änderungen, die ein Speichern vornähme</translation>
    </message>
    <message>
        <source>These values are not valid; nothing can be saved until they are fixed:</source>
        <translation>Diese Werte sind ungültig; gespeichert werden kann erst, wenn sie berichtigt sind:</translation>
    </message>
    <message>
        <source>Values edited since the save</source>
        <translation>Seit dem Speichern bearbeitete Werte</translation>
    </message>
    <message>
        <source>Group</source>
        <translation>Gruppe</translation>
    </message>
    <message>
        <source>Setting</source>
        <translation>Einstellung</translation>
    </message>
    <message>
        <source>Old → new</source>
        <translation>Alt → neu</translation>
    </message>
    <message>
        <source>%1 → %2</source>
        <translation>%1 → %2</translation>
    </message>
    <message>
        <source>Saving would change these files:</source>
        <translation>Speichern würde diese Dateien ändern:</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>Did not understand: %1<byte value="xd"/>
<byte value="xd"/>
</source>
        <translation>Nicht verstanden: %1<byte value="xd"/>
<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>Konfiguration Editor Command Line Syntax<byte value="xd"/>
/file:&lt;file&gt;	Öffnet die Datei &lt;file&gt;<byte value="xd"/>
/export	Exportiert die Datei und schließt das Programm anschließend.<byte value="xd"/>
/conf:&lt;file&gt;	Gibt die Konfigurationsdatei an.</source>
        <translation>Konfigurationseditor: Syntax der Befehlszeile<byte value="xd"/>
/file:&lt;Datei&gt;	Öffnet die Einstellungsdatei &lt;Datei&gt;.<byte value="xd"/>
/export	Speichert und exportiert ohne Fenster und beendet das Programm anschließend.<byte value="xd"/>
/conf:&lt;Datei&gt;	Gibt die Konfigurationsdatei an.</translation>
    </message>
    <message>
        <source>Did not understand: %1... (expected /set:NAME=VALUE; the rest is not shown)<byte value="xd"/>
<byte value="xd"/>
</source>
        <translation>Nicht verstanden: %1... (erwartet: /set:NAME=WERT; der Rest wird nicht gezeigt)</translation>
    </message>
    <message>
        <source>Configuration Editor command line syntax
/file:&lt;file&gt;	Opens the settings file &lt;file&gt;, in the configuration&apos;s folder (default settings.xml).
/conf:&lt;file&gt;	Names the configuration file (default config.xml).
/export	Saves and exports without a window, then exits.
/check	Lists the files a save would change, writes nothing and exits.
/diff	Like /check, but shows the changes as a unified diff, passwords as ********.
/strict	With /export, /check or /diff: a $(NAME) without a value, a variable no item declares, a likely misspelling in the configuration or a password in a file others may read is an error, and nothing is written.
/set:&lt;NAME&gt;=&lt;value&gt;	With /export, /check or /diff: uses &lt;value&gt; for the variable NAME in this run only; the settings file keeps its value. Repeatable.
/env:&lt;PREFIX&gt;	The same for each environment variable &lt;PREFIX&gt;&lt;NAME&gt;.
/values:&lt;file&gt;	The same for each variable of &lt;file&gt;, in the format of the settings file; /values:- reads it from standard input, the way to give passwords. Repeatable.
/batch	With /export, /check or /diff: never opens a window or a message box; every message goes to standard error.
--help, -h, /?	Shows this text.
--version	Shows the version.

Exit status of /export, /check and /diff:
0	Saved and exported; /check, /diff: nothing would change.
1	Saved, but a template, an output or the after command had a problem; with /strict, a warning, and nothing was written.
2	Nothing saved: the command line, a file, a value, trust, the lock, or a before command that failed.
3	/check, /diff: a save would change a file.

See man tervosetup.</source>
        <translation>Konfigurationseditor: Syntax der Befehlszeile
/file:&lt;Datei&gt;	Öffnet die Einstellungsdatei &lt;Datei&gt; im Ordner der Konfiguration (Vorgabe settings.xml).
/conf:&lt;Datei&gt;	Gibt die Konfigurationsdatei an (Vorgabe config.xml).
/export	Speichert und exportiert ohne Fenster und beendet das Programm anschließend.
/check	Listet die Dateien auf, die ein Speichern ändern würde, schreibt nichts und endet.
/diff	Wie /check, zeigt die Änderungen aber als Unified Diff, Passwörter als ********.
/strict	Mit /export, /check oder /diff: Ein $(NAME) ohne Wert, eine Variable, die kein Eintrag deklariert, ein wahrscheinlicher Schreibfehler in der Konfiguration oder ein Passwort in einer Datei, die andere lesen dürfen, ist ein Fehler, und es wird nichts geschrieben.
/set:&lt;NAME&gt;=&lt;Wert&gt;	Mit /export, /check oder /diff: Verwendet &lt;Wert&gt; nur in diesem Lauf für die Variable NAME; die Einstellungsdatei behält ihren Wert. Wiederholbar.
/env:&lt;PRÄFIX&gt;	Dasselbe für jede Umgebungsvariable &lt;PRÄFIX&gt;&lt;NAME&gt;.
/values:&lt;Datei&gt;	Dasselbe für jede Variable der &lt;Datei&gt; im Format der Einstellungsdatei; /values:- liest sie von der Standardeingabe, der Weg für Passwörter. Wiederholbar.
/batch	Mit /export, /check oder /diff: Öffnet weder ein Fenster noch ein Meldungsfenster; jede Meldung geht auf die Standardfehlerausgabe.
--help, -h, /?	Zeigt diesen Text.
--version	Zeigt die Version.

Exit-Status von /export, /check und /diff:
0	Gespeichert und exportiert; /check, /diff: Nichts würde sich ändern.
1	Gespeichert, aber eine Vorlage, eine Ausgabe oder der Befehl danach hatte ein Problem; mit /strict eine Warnung, und es wurde nichts geschrieben.
2	Nichts gespeichert: die Befehlszeile, eine Datei, ein Wert, Vertrauen, die Sperre oder ein fehlgeschlagener Befehl davor.
3	/check, /diff: Ein Speichern würde eine Datei ändern.

Siehe man tervosetup.</translation>
    </message>
</context>
<context>
    <name>Configuration</name>
    <message>
        <source>the root element is &lt;%1&gt;, but must be &lt;xml&gt;</source>
        <translation>das Wurzelelement ist &lt;%1&gt;, muss aber &lt;xml&gt; sein</translation>
    </message>
    <message>
        <source>the group name &quot;%1&quot; is already used at line %2; group names must be unique</source>
        <translation>der Gruppenname „%1“ wird schon in Zeile %2 verwendet; Gruppennamen müssen eindeutig sein</translation>
    </message>
    <message>
        <source>the item &quot;%1&quot; (%2): %3</source>
        <translation>der Eintrag „%1“ (%2): %3</translation>
    </message>
    <message>
        <source>the variable &quot;%1&quot; has the bare name &quot;%2&quot;, which the variable at line %3 already has; bare names must be unique</source>
        <translation>die Variable „%1“ hat den Kurznamen „%2“, den schon die Variable in Zeile %3 hat; Kurznamen müssen eindeutig sein</translation>
    </message>
    <message>
        <source>&lt;%1&gt; has no &lt;%2&gt;</source>
        <translation>&lt;%1&gt; hat kein &lt;%2&gt;</translation>
    </message>
    <message>
        <source>%1: line %2: %3</source>
        <translation>%1: Zeile %2: %3</translation>
    </message>
    <message>
        <source>the %1 command has wait=&quot;%2&quot;, but wait must be &quot;true&quot; or &quot;false&quot;</source>
        <translation>der Befehl %1 hat wait=&quot;%2&quot;, aber wait muss &quot;true&quot; oder &quot;false&quot; sein</translation>
    </message>
    <message>
        <source>the %1 command has a timeout, which needs wait=&quot;true&quot;</source>
        <translation>der Befehl %1 hat einen timeout, der wait=&quot;true&quot; verlangt</translation>
    </message>
    <message>
        <source>the %1 command has timeout=&quot;%2&quot;, but the timeout must be a whole number of seconds from 1 to %3</source>
        <translation>der Befehl %1 hat timeout=&quot;%2&quot;, aber der timeout muss eine ganze Zahl von Sekunden zwischen 1 und %3 sein</translation>
    </message>
    <message>
        <source>&lt;depends&gt; names %1, which no item declares</source>
        <translation>&lt;depends&gt; nennt %1, das kein Eintrag deklariert</translation>
    </message>
    <message>
        <source>&lt;depends&gt; names the item itself</source>
        <translation>&lt;depends&gt; nennt den Eintrag selbst</translation>
    </message>
    <message>
        <source>&lt;depends&gt; makes a cycle: %1</source>
        <translation>&lt;depends&gt; ergibt einen Kreis: %1</translation>
    </message>
    <message>
        <source>type &quot;%1&quot; is read as free text; did you mean &quot;%2&quot;?</source>
        <translation>Typ „%1“ wird als freier Text gelesen; ist „%2“ gemeint?</translation>
    </message>
    <message>
        <source>&lt;%1&gt; is not a known element of an item; did you mean &lt;%2&gt;?</source>
        <translation>&lt;%1&gt; ist kein bekanntes Element eines Eintrags; ist &lt;%2&gt; gemeint?</translation>
    </message>
    <message>
        <source>&lt;%1&gt; is not a known element of an item</source>
        <translation>&lt;%1&gt; ist kein bekanntes Element eines Eintrags</translation>
    </message>
    <message>
        <source>%1 is &quot;%2&quot;</source>
        <translation>%1 ist „%2“</translation>
    </message>
    <message>
        <source>%1 is on</source>
        <translation>%1 ist eingeschaltet</translation>
    </message>
    <message>
        <source>%1 is not empty</source>
        <translation>%1 ist nicht leer</translation>
    </message>
    <message>
        <source>the command id &quot;%1&quot; is not &quot;%2&quot; (ids are case-sensitive), so this command is never started</source>
        <translation>die Befehls-ID „%1“ ist nicht „%2“ (IDs unterscheiden Groß- und Kleinschreibung), daher wird dieser Befehl nie gestartet</translation>
    </message>
    <message>
        <source>a second %1 command, which is never started: only the first, at line %2, is</source>
        <translation>ein zweiter %1-Befehl, der nie gestartet wird: nur der erste, in Zeile %2, wird es</translation>
    </message>
    <message>
        <source>the template entry has mode=&quot;%1&quot;, but the mode must be octal permission bits from 0 to 0777, such as 0640</source>
        <translation>der Vorlageneintrag hat mode=&quot;%1&quot;, aber der Modus muss aus oktalen Zugriffsrechten von 0 bis 0777 bestehen, etwa 0640</translation>
    </message>
</context>
<context>
    <name>ConsoleDialogs</name>
    <message>
        <source> (no display to ask on: answered No)</source>
        <translation> (kein Bildschirm für die Frage: mit Nein beantwortet)</translation>
    </message>
    <message>
        <source> (no display to ask on: cancelled)</source>
        <translation> (kein Bildschirm für die Frage: abgebrochen)</translation>
    </message>
</context>
<context>
    <name>DialogWaitLauncher</name>
    <message>
        <source>Waiting for the command to end:
%1</source>
        <translation>Warte auf das Ende des Befehls:
%1</translation>
    </message>
</context>
<context>
    <name>DiskFileSystem</name>
    <message>
        <source>no program is reading from this pipe</source>
        <translation>kein Programm liest aus dieser Pipe</translation>
    </message>
    <message>
        <source>the file changed while it was opened</source>
        <translation>die Datei hat sich beim Öffnen geändert</translation>
    </message>
    <message>
        <source>is not a regular file</source>
        <translation>ist keine reguläre Datei</translation>
    </message>
    <message>
        <source>Waiting for %1: another program is saving there...</source>
        <translation>Warte auf %1: Ein anderes Programm speichert dort gerade …</translation>
    </message>
    <message>
        <source>gave up waiting after %1 s: another program is still saving there</source>
        <translation>Warten nach %1 s aufgegeben: Ein anderes Programm speichert dort noch</translation>
    </message>
    <message>
        <source>the wait was cancelled: another program is still saving there</source>
        <translation>Warten abgebrochen: Ein anderes Programm speichert dort noch</translation>
    </message>
</context>
<context>
    <name>Display</name>
    <message>
        <source>the display %1</source>
        <translation>der Bildschirm %1</translation>
    </message>
    <message>
        <source>took the connection but did not answer within %1 seconds</source>
        <translation>hat die Verbindung angenommen, aber nicht innerhalb von %1 Sekunden geantwortet</translation>
    </message>
</context>
<context>
    <name>EditMenu</name>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <source>&amp;Find...</source>
        <translation>&amp;Suchen …</translation>
    </message>
    <message>
        <source>Find &amp;Next</source>
        <translation>&amp;Weitersuchen</translation>
    </message>
    <message>
        <source>Find &amp;Previous</source>
        <translation>&amp;Rückwärts suchen</translation>
    </message>
    <message>
        <source>&amp;Reset to Saved Value</source>
        <translation>Auf &amp;gespeicherten Wert zurücksetzen</translation>
    </message>
    <message>
        <source>Reset to &amp;Default</source>
        <translation>Auf Standardwert &amp;zurücksetzen</translation>
    </message>
    <message>
        <source>Reset &amp;All to Saved</source>
        <translation>&amp;Alle auf gespeicherte Werte zurücksetzen</translation>
    </message>
    <message>
        <source>Puts back the saved value of every field, as one step.</source>
        <translation>Setzt jedes Feld auf seinen gespeicherten Wert zurück, in einem Schritt.</translation>
    </message>
    <message>
        <source>Reset All to Defaul&amp;ts</source>
        <translation>Alle auf S&amp;tandardwerte zurücksetzen</translation>
    </message>
    <message>
        <source>Puts back the default of every field whose item declares one, as one step; the others keep their values.</source>
        <translation>Setzt jedes Feld, für das ein Standardwert angegeben ist, auf diesen zurück, in einem Schritt; die übrigen behalten ihre Werte.</translation>
    </message>
</context>
<context>
    <name>EditSession</name>
    <message>
        <source>%1
Another user could have chosen what the configuration %2 holds, so none of its commands is started and none of its templates read. Nothing was saved.</source>
        <translation>%1
Ein anderer Benutzer könnte bestimmt haben, was die Konfiguration %2 enthält; daher wird keiner ihrer Befehle gestartet und keine ihrer Vorlagen gelesen. Es wurde nichts gespeichert.</translation>
    </message>
    <message>
        <source>%1
Another user could have chosen what the template %2 holds, so it is not read. Nothing was saved.</source>
        <translation>%1
Ein anderer Benutzer könnte bestimmt haben, was die Vorlage %2 enthält; daher wird sie nicht gelesen. Es wurde nichts gespeichert.</translation>
    </message>
    <message>
        <source>%1
Another user could have chosen the program that the command %2 starts, so nothing was started. Nothing was saved.</source>
        <translation>%1
Ein anderer Benutzer könnte das Programm bestimmt haben, das der Befehl %2 startet; daher wurde nichts gestartet. Es wurde nichts gespeichert.</translation>
    </message>
    <message>
        <source>%1 is %2, not a settings file: it is not opened, and no settings are saved into it.</source>
        <translation>%1 ist %2, keine Einstellungsdatei: Sie wird nicht geöffnet, und es werden keine Einstellungen in ihr gespeichert.</translation>
    </message>
    <message>
        <source>the configuration %1</source>
        <translation>die Konfiguration %1</translation>
    </message>
    <message>
        <source>the template %1 of %2</source>
        <translation>die Vorlage %1 von %2</translation>
    </message>
    <message>
        <source>the output %1 of %2</source>
        <translation>die Ausgabe %1 von %2</translation>
    </message>
    <message>
        <source> and </source>
        <translation> und </translation>
    </message>
    <message>
        <source>%1 (%2) is empty: the outputs get an empty number where they use it</source>
        <translation>%1 (%2) ist leer: Die Ausgaben erhalten eine leere Zahl, wo sie sie verwenden</translation>
    </message>
    <message>
        <source>%1 (%2) is empty: the outputs get an empty choice where they use it</source>
        <translation>%1 (%2) ist leer: Die Ausgaben erhalten eine leere Auswahl, wo sie sie verwenden</translation>
    </message>
    <message>
        <source>%1 (%2) is empty: the outputs get an empty path where they use it</source>
        <translation>%1 (%2) ist leer: Die Ausgaben erhalten einen leeren Pfad, wo sie ihn verwenden</translation>
    </message>
</context>
<context>
    <name>FieldPages</name>
    <message>
        <source>(required)</source>
        <translation>(erforderlich)</translation>
    </message>
    <message>
        <source>This value must not be empty.</source>
        <translation>Dieser Wert darf nicht leer sein.</translation>
    </message>
    <message numerus="yes">
        <source>%n value(s) on this page are not valid.</source>
        <translation>
            <numerusform>%n Wert auf dieser Seite ist ungültig.</numerusform>
            <numerusform>%n Werte auf dieser Seite sind ungültig.</numerusform>
        </translation>
    </message>
    <message>
        <source>Groups</source>
        <translation>Gruppen</translation>
    </message>
    <message>
        <source>Every group (Ctrl+G)</source>
        <translation>Alle Gruppen (Strg+G)</translation>
    </message>
</context>
<context>
    <name>FileSystem</name>
    <message>
        <source>the file is larger than %1 bytes</source>
        <translation>die Datei ist größer als %1 Bytes</translation>
    </message>
</context>
<context>
    <name>FindBar</name>
    <message>
        <source>Find</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>No match</source>
        <translation>Kein Treffer</translation>
    </message>
    <message>
        <source>1 match</source>
        <translation>1 Treffer</translation>
    </message>
    <message>
        <source>%1 matches</source>
        <translation>%1 Treffer</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 von %2</translation>
    </message>
    <message>
        <source>Show Only &amp;Matches</source>
        <translation>Nur &amp;Treffer zeigen</translation>
    </message>
    <message>
        <source>Only matches</source>
        <translation>Nur Treffer</translation>
    </message>
    <message>
        <source>Show Only &amp;Edited</source>
        <translation>Nur &amp;bearbeitete zeigen</translation>
    </message>
    <message>
        <source>Only edited</source>
        <translation>Nur bearbeitete</translation>
    </message>
    <message>
        <source>Show Only &amp;Not Default</source>
        <translation>Nur &amp;nicht voreingestellte zeigen</translation>
    </message>
    <message>
        <source>Only not default</source>
        <translation>Nur nicht voreingestellte</translation>
    </message>
</context>
<context>
    <name>FirstStart</name>
    <message>
        <source>There is no configuration file in %1.

TervoSetup needs a configuration file (such as config.xml) that declares the settings, and a settings file beside it (settings.xml) that holds their values.</source>
        <translation>In %1 gibt es keine Konfigurationsdatei.

TervoSetup braucht eine Konfigurationsdatei (etwa config.xml), die die Einstellungen festlegt, und daneben eine Einstellungsdatei (settings.xml), die ihre Werte enthält.</translation>
    </message>
    <message>
        <source>&amp;Open a Configuration...</source>
        <translation>Konfiguration ö&amp;ffnen …</translation>
    </message>
    <message>
        <source>Open a configuration, or start from the example: its configuration, settings and templates are copied into a folder you choose, and opened there.</source>
        <translation>Öffnen Sie eine Konfiguration, oder beginnen Sie mit dem Beispiel: Seine Konfiguration, Einstellungen und Vorlagen werden in einen Ordner Ihrer Wahl kopiert und dort geöffnet.</translation>
    </message>
    <message>
        <source>Start from the &amp;Example...</source>
        <translation>Mit dem &amp;Beispiel beginnen …</translation>
    </message>
    <message>
        <source>Choose a Folder for the Example</source>
        <translation>Ordner für das Beispiel wählen</translation>
    </message>
    <message>
        <source>%1 holds %2 already. Nothing was copied: choose a folder without these files.</source>
        <translation>%1 enthält %2 bereits. Es wurde nichts kopiert: Wählen Sie einen Ordner ohne diese Dateien.</translation>
    </message>
    <message>
        <source>The example could not be copied into %1:

%2</source>
        <translation>Das Beispiel konnte nicht nach %1 kopiert werden:

%2</translation>
    </message>
</context>
<context>
    <name>HelpViews</name>
    <message>
        <source>Keyboard Shortcuts</source>
        <translation>Tastenkürzel</translation>
    </message>
    <message>
        <source>Guide</source>
        <translation>Anleitung</translation>
    </message>
    <message>
        <source>Ctrl+O</source>
        <translation>Strg+O</translation>
    </message>
    <message>
        <source>Open another settings file</source>
        <translation>Eine andere Einstellungsdatei öffnen</translation>
    </message>
    <message>
        <source>Ctrl+S</source>
        <translation>Strg+S</translation>
    </message>
    <message>
        <source>Save the settings and export the templates</source>
        <translation>Die Einstellungen speichern und die Vorlagen exportieren</translation>
    </message>
    <message>
        <source>Ctrl+D</source>
        <translation>Strg+D</translation>
    </message>
    <message>
        <source>Show Changes: what a save would change, before anything is written</source>
        <translation>Änderungen anzeigen: was ein Speichern ändern würde, bevor etwas geschrieben wird</translation>
    </message>
    <message>
        <source>Ctrl+F</source>
        <translation>Strg+F</translation>
    </message>
    <message>
        <source>Find a field by its label, variable or help</source>
        <translation>Ein Feld nach Beschriftung, Variable oder Hilfe suchen</translation>
    </message>
    <message>
        <source>F3, Shift+F3</source>
        <translation>F3, Umschalt+F3</translation>
    </message>
    <message>
        <source>Next and previous field found</source>
        <translation>Nächstes und vorheriges gefundenes Feld</translation>
    </message>
    <message>
        <source>Ctrl+Shift+F</source>
        <translation>Strg+Umschalt+F</translation>
    </message>
    <message>
        <source>Show only the fields found</source>
        <translation>Nur die gefundenen Felder zeigen</translation>
    </message>
    <message>
        <source>Ctrl+Shift+M</source>
        <translation>Strg+Umschalt+M</translation>
    </message>
    <message>
        <source>Show only the edited fields (bold label)</source>
        <translation>Nur die bearbeiteten Felder zeigen (fette Beschriftung)</translation>
    </message>
    <message>
        <source>Ctrl+Shift+D</source>
        <translation>Strg+Umschalt+D</translation>
    </message>
    <message>
        <source>Show only the fields that are not at their default (italic label)</source>
        <translation>Nur die Felder zeigen, die nicht ihren Standardwert haben (kursive Beschriftung)</translation>
    </message>
    <message>
        <source>Escape</source>
        <translation>Esc</translation>
    </message>
    <message>
        <source>Close the search box and its filters</source>
        <translation>Das Suchfeld und seine Filter schließen</translation>
    </message>
    <message>
        <source>Ctrl+Z, Ctrl+Shift+Z</source>
        <translation>Strg+Z, Strg+Umschalt+Z</translation>
    </message>
    <message>
        <source>Undo and redo, over every field</source>
        <translation>Rückgängig und wiederholen, über alle Felder</translation>
    </message>
    <message>
        <source>Ctrl+R</source>
        <translation>Strg+R</translation>
    </message>
    <message>
        <source>Put the saved value of the field back</source>
        <translation>Den gespeicherten Wert des Feldes zurückholen</translation>
    </message>
    <message>
        <source>Ctrl+Shift+H</source>
        <translation>Strg+Umschalt+H</translation>
    </message>
    <message>
        <source>Show or hide a password</source>
        <translation>Ein Passwort zeigen oder verbergen</translation>
    </message>
    <message>
        <source>F4</source>
        <translation>F4</translation>
    </message>
    <message>
        <source>Choose a file or a folder in a dialog</source>
        <translation>Eine Datei oder einen Ordner in einem Dialog wählen</translation>
    </message>
    <message>
        <source>Ctrl+Tab, Ctrl+PgDown</source>
        <translation>Strg+Tab, Strg+Bild ab</translation>
    </message>
    <message>
        <source>Next group</source>
        <translation>Nächste Gruppe</translation>
    </message>
    <message>
        <source>Ctrl+Shift+Tab, Ctrl+PgUp</source>
        <translation>Strg+Umschalt+Tab, Strg+Bild auf</translation>
    </message>
    <message>
        <source>Previous group</source>
        <translation>Vorherige Gruppe</translation>
    </message>
    <message>
        <source>Ctrl+G</source>
        <translation>Strg+G</translation>
    </message>
    <message>
        <source>List every group and go to one</source>
        <translation>Alle Gruppen auflisten und zu einer wechseln</translation>
    </message>
    <message>
        <source>Tab, Shift+Tab</source>
        <translation>Tab, Umschalt+Tab</translation>
    </message>
    <message>
        <source>Next and previous field, disabled ones too</source>
        <translation>Nächstes und vorheriges Feld, auch deaktivierte</translation>
    </message>
    <message>
        <source>F1</source>
        <translation>F1</translation>
    </message>
    <message>
        <source>The guide</source>
        <translation>Die Anleitung</translation>
    </message>
    <message>
        <source>Each tab is a group of settings, each row one setting. The tooltip of a field and the status line give its help; a field whose value breaks its rules has a red frame, and its tab a warning sign.</source>
        <translation>Jeder Reiter ist eine Gruppe von Einstellungen, jede Zeile eine Einstellung. Die Kurzinfo eines Feldes und die Statuszeile zeigen seine Hilfe; ein Feld, dessen Wert gegen seine Regeln verstößt, hat einen roten Rahmen und sein Reiter ein Warnzeichen.</translation>
    </message>
    <message>
        <source>Two marks tell what changed. A bold label: the value was edited since the file was loaded or saved; Edit &gt; Reset All to Saved puts those back. An italic label: the value is not the setting&apos;s default (for a setting without a default: it is not empty); Edit &gt; Reset All to Defaults puts the defaults back. The filters Show Only Edited and Show Only Not Default show only those fields.</source>
        <translation>Zwei Markierungen zeigen, was sich geändert hat. Eine fette Beschriftung: Der Wert wurde bearbeitet, seit die Datei geladen oder gespeichert wurde; Bearbeiten &gt; Alle auf gespeicherte Werte zurücksetzen holt diese zurück. Eine kursive Beschriftung: Der Wert ist nicht der Standardwert der Einstellung (bei einer Einstellung ohne Standardwert: er ist nicht leer); Bearbeiten &gt; Alle auf Standardwerte zurücksetzen holt die Standardwerte zurück. Die Filter „Nur bearbeitete zeigen“ und „Nur nicht voreingestellte zeigen“ zeigen nur diese Felder.</translation>
    </message>
    <message>
        <source>Emptying the field of a setting that has a default gives it that default, which the field then shows greyed; the save stores nothing new for it.</source>
        <translation>Wird das Feld einer Einstellung mit Standardwert geleert, erhält sie diesen Standardwert, den das Feld dann grau zeigt; das Speichern legt dafür nichts Neues ab.</translation>
    </message>
    <message>
        <source>A field that depends on another one is read-only while that one does not allow it; the words under it say what enables it.</source>
        <translation>Ein Feld, das von einem anderen abhängt, ist schreibgeschützt, solange jenes es nicht erlaubt; der Text darunter sagt, was es aktiviert.</translation>
    </message>
    <message>
        <source>File &gt; Show Changes shows what a save would do before anything is written: the values that are not valid, the values edited, the files that would change and their patch. Saving starts the before command, writes the settings file, generates every output from its template and starts the after command; the status line then says what it did.</source>
        <translation>Datei &gt; Änderungen anzeigen zeigt, was ein Speichern täte, bevor etwas geschrieben wird: die ungültigen Werte, die bearbeiteten Werte, die Dateien, die sich ändern würden, und ihren Patch. Speichern startet den Befehl davor, schreibt die Einstellungsdatei, erzeugt jede Ausgabe aus ihrer Vorlage und startet den Befehl danach; die Statuszeile sagt dann, was es getan hat.</translation>
    </message>
    <message>
        <source>File &gt; Open reads another settings file. Values that file does not list keep what they had, as edits, and the window names them.</source>
        <translation>Datei &gt; Öffnen liest eine andere Einstellungsdatei. Werte, die diese Datei nicht aufführt, behalten ihren bisherigen Inhalt als Bearbeitung, und das Fenster nennt sie.</translation>
    </message>
    <message>
        <source>The configuration is never written. ? &gt; Keyboard Shortcuts lists every key.</source>
        <translation>Die Konfiguration wird nie geschrieben. ? &gt; Tastenkürzel listet alle Tasten auf.</translation>
    </message>
</context>
<context>
    <name>LastLines</name>
    <message>
        <source>[... %1 more bytes]</source>
        <translation>[... %1 weitere Bytes]</translation>
    </message>
</context>
<context>
    <name>LineDiff</name>
    <message>
        <source>(held back: it may hold a password)</source>
        <translation>(zurückgehalten: sie kann ein Passwort enthalten)</translation>
    </message>
</context>
<context>
    <name>Messages</name>
    <message>
        <source>The file could not be loaded!

%1</source>
        <translation>Die Datei konnte nicht geladen werden!

%1</translation>
    </message>
    <message>
        <source>Wollen sie die %1 speichern?</source>
        <translation>Wollen Sie %1 speichern?</translation>
    </message>
    <message>
        <source>%1 was changed by another program since it was loaded or saved here.

Yes: save your values over it.
No: load it again and discard your edits.
Cancel: do nothing.</source>
        <translation>%1 wurde von einem anderen Programm geändert, seit die Datei hier geladen oder gespeichert wurde.

Ja: Ihre Werte darüber speichern.
Nein: die Datei neu laden und Ihre Änderungen verwerfen.
Abbrechen: nichts tun.</translation>
    </message>
    <message>
        <source>%1 was removed by another program since it was loaded or saved here.

Yes: save your values to it again.
No: load it again and discard your edits.
Cancel: do nothing.</source>
        <translation>%1 wurde von einem anderen Programm entfernt, seit die Datei hier geladen oder gespeichert wurde.

Ja: Ihre Werte wieder darin speichern.
Nein: die Datei neu laden und Ihre Änderungen verwerfen.
Abbrechen: nichts tun.</translation>
    </message>
    <message>
        <source>Erfolgreich gespeichert</source>
        <translation>Erfolgreich gespeichert</translation>
    </message>
    <message>
        <source>TervoSetup: no display to show the editor on (neither DISPLAY nor WAYLAND_DISPLAY is set). Run with /export to save and export without a window.
</source>
        <translation>TervoSetup: kein Bildschirm, auf dem der Editor erscheinen kann (weder DISPLAY noch WAYLAND_DISPLAY ist gesetzt). Starten Sie mit /export, um ohne Fenster zu speichern und zu exportieren.
</translation>
    </message>
    <message>
        <source>TervoSetup: the display could not be reached, so the editor cannot be shown. Run with /export to save and export without a window.
</source>
        <translation>TervoSetup: Der Bildschirm war nicht erreichbar, daher kann der Editor nicht angezeigt werden. Starten Sie mit /export, um ohne Fenster zu speichern und zu exportieren.
</translation>
    </message>
    <message>
        <source>TervoSetup: ignoring the unknown option &quot;%1&quot; (see --help)</source>
        <translation>TervoSetup: Die unbekannte Option „%1“ wird übergangen (siehe --help)</translation>
    </message>
    <message>
        <source>The diff shows passwords as ********: read it, but do not apply it with patch.</source>
        <translation>Der Diff zeigt Passwörter als ********: Lesen Sie ihn, aber wenden Sie ihn nicht mit patch an.</translation>
    </message>
    <message>
        <source>Nothing was saved or exported: with /strict, every warning on standard error and every problem is an error.</source>
        <translation>Es wurde nichts gespeichert oder exportiert: Mit /strict ist jede Warnung auf der Standardfehlerausgabe und jedes Problem ein Fehler.</translation>
    </message>
    <message>
        <source>XML Dateien (*.xml)</source>
        <translation>XML-Dateien (*.xml)</translation>
    </message>
    <message>
        <source>TervoSetup: ignoring the argument &quot;%1&quot;: only the first %2 count</source>
        <translation>TervoSetup: Das Argument „%1“ wird übergangen: nur die ersten %2 zählen</translation>
    </message>
    <message>
        <source>TervoSetup: nothing was done: the command line holds more than %1 arguments. Give values through /env:, which takes any number of them.
</source>
        <translation>TervoSetup: Es wurde nichts getan: Die Befehlszeile enthält mehr als %1 Argumente. Geben Sie Werte über /env: an, das beliebig viele aufnimmt.
</translation>
    </message>
    <message>
        <source>TervoSetup: /batch, /set:, /env: and /values: are for runs without the window: add /export, /check or /diff.
</source>
        <translation>TervoSetup: /batch, /set:, /env: und /values: sind für Läufe ohne Fenster gedacht: Fügen Sie /export, /check oder /diff hinzu.
</translation>
    </message>
    <message>
        <source>Nothing was done: &quot;%1&quot; is not an option (see --help).</source>
        <translation>Es wurde nichts getan: „%1“ ist keine Option (siehe --help).</translation>
    </message>
</context>
<context>
    <name>Overrides</name>
    <message>
        <source>%1 declares no variable &quot;%2&quot;, which %3 gives a value; nothing was saved.</source>
        <translation>%1 deklariert keine Variable „%2“, der %3 einen Wert gibt; es wurde nichts gespeichert.</translation>
    </message>
    <message>
        <source>the environment variable %1</source>
        <translation>die Umgebungsvariable %1</translation>
    </message>
    <message>
        <source>The value of %1 is not UTF-8 text; nothing was saved.</source>
        <translation>Der Wert, den %1 angibt, ist kein UTF-8-Text; es wurde nichts gespeichert.</translation>
    </message>
    <message>
        <source>The value of %1 holds the character %2, which no value of a variable may hold; nothing was saved.</source>
        <translation>Der Wert, den %1 angibt, enthält das Zeichen %2, das kein Wert einer Variablen enthalten darf; es wurde nichts gespeichert.</translation>
    </message>
    <message>
        <source>standard input</source>
        <translation>Standardeingabe</translation>
    </message>
    <message>
        <source>it is larger than %1 bytes</source>
        <translation>sie ist größer als %1 Bytes</translation>
    </message>
    <message>
        <source>%1; nothing was saved.</source>
        <translation>%1; es wurde nichts gespeichert.</translation>
    </message>
    <message>
        <source>/values:- is given twice, but standard input can be read once</source>
        <translation>/values:- ist zweimal angegeben, aber die Standardeingabe kann nur einmal gelesen werden</translation>
    </message>
    <message>
        <source>standard input cannot be read here</source>
        <translation>die Standardeingabe kann hier nicht gelesen werden</translation>
    </message>
    <message>
        <source>no file can be read here</source>
        <translation>hier kann keine Datei gelesen werden</translation>
    </message>
    <message>
        <source>%1:%2: the values cannot be read: this is not well-formed XML (the parser&apos;s words are not shown, as they may quote a value)</source>
        <translation>%1:%2: die Werte können nicht gelesen werden: das ist kein wohlgeformtes XML (die Worte des Parsers werden nicht gezeigt, da sie einen Wert zitieren können)</translation>
    </message>
    <message>
        <source>%1: the root element is not xml, so it holds no values</source>
        <translation>%1: das Wurzelelement ist nicht xml, daher enthält die Datei keine Werte</translation>
    </message>
    <message>
        <source>%1:%2: %3 is given again, after line %4</source>
        <translation>%1:%2: %3 ist nach Zeile %4 noch einmal angegeben</translation>
    </message>
</context>
<context>
    <name>PasswordField</name>
    <message>
        <source>Show the password (%1)</source>
        <translation>Passwort anzeigen (%1)</translation>
    </message>
    <message>
        <source>Hide the password (%1)</source>
        <translation>Passwort verbergen (%1)</translation>
    </message>
    <message>
        <source>Hide Password</source>
        <translation>Passwort verbergen</translation>
    </message>
    <message>
        <source>Show Password</source>
        <translation>Passwort anzeigen</translation>
    </message>
    <message>
        <source>%1 shows or hides the password.</source>
        <translation>%1 zeigt oder verbirgt das Passwort.</translation>
    </message>
</context>
<context>
    <name>PasswordValueRanges</name>
    <message>
        <source>the places of the passwords in it cannot be found: %1</source>
        <translation>die Stellen der Passwörter darin lassen sich nicht finden: %1</translation>
    </message>
    <message>
        <source>its encoding is not one whose markup can be read byte by byte</source>
        <translation>ihre Kodierung lässt sich nicht Byte für Byte als Markup lesen</translation>
    </message>
    <message>
        <source>its elements cannot be told apart in its bytes</source>
        <translation>ihre Elemente lassen sich in ihren Bytes nicht auseinanderhalten</translation>
    </message>
</context>
<context>
    <name>PathField</name>
    <message>
        <source>Choose a folder... (F4)</source>
        <translation>Ordner auswählen … (F4)</translation>
    </message>
    <message>
        <source>Choose a file... (F4)</source>
        <translation>Datei auswählen … (F4)</translation>
    </message>
</context>
<context>
    <name>ProcessLauncher</name>
    <message>
        <source>The command could not be started: %1: %2</source>
        <translation>Der Befehl konnte nicht gestartet werden: %1: %2</translation>
    </message>
    <message>
        <source>The command %1: %2</source>
        <translation>Der Befehl %1: %2</translation>
    </message>
    <message>
        <source>
The last lines it wrote to standard error:
</source>
        <translation>
Die letzten Zeilen, die er auf die Standardfehlerausgabe schrieb:
</translation>
    </message>
</context>
<context>
    <name>Program</name>
    <message>
        <source>TervoSetup: %1, so %2.</source>
        <translation>TervoSetup: %1; %2.</translation>
    </message>
    <message>
        <source>messages go to standard error only</source>
        <translation>Meldungen erscheinen daher nur auf der Standardfehlerausgabe</translation>
    </message>
    <message>
        <source>it counts as no display</source>
        <translation>er gilt daher als nicht vorhanden</translation>
    </message>
</context>
<context>
    <name>QGnomeTheme</name>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
</context>
<context>
    <name>QPlatformTheme</name>
    <message>
        <source>&amp;Yes</source>
        <translation>&amp;Ja</translation>
    </message>
    <message>
        <source>&amp;No</source>
        <translation>&amp;Nein</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>QProcessLauncher</name>
    <message>
        <source>the command is empty</source>
        <translation>der Befehl ist leer</translation>
    </message>
    <message>
        <source>unbalanced quotation mark</source>
        <translation>ein Anführungszeichen ist nicht geschlossen</translation>
    </message>
    <message>
        <source>was cancelled</source>
        <translation>wurde abgebrochen</translation>
    </message>
    <message>
        <source>did not end within its timeout of %1 s and was stopped</source>
        <translation>endete nicht innerhalb seiner Zeitgrenze von %1 s und wurde gestoppt</translation>
    </message>
    <message>
        <source>was ended by signal %1</source>
        <translation>wurde durch Signal %1 beendet</translation>
    </message>
    <message>
        <source>ended with status %1</source>
        <translation>endete mit Status %1</translation>
    </message>
</context>
<context>
    <name>QProgressDialog</name>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>SavePreview</name>
    <message>
        <source>%1 would change, but /diff cannot show how: %2</source>
        <translation>%1 würde sich ändern, aber /diff kann nicht zeigen, wie: %2</translation>
    </message>
    <message>
        <source>the new file would be larger than %1 bytes</source>
        <translation>die neue Datei wäre größer als %1 Bytes</translation>
    </message>
    <message>
        <source>it is a symbolic link, which patch does not follow</source>
        <translation>sie ist ein symbolischer Link, dem patch nicht folgt</translation>
    </message>
    <message>
        <source>patch -p1 skips or misnames a file outside the configuration&apos;s folder</source>
        <translation>patch -p1 überspringt eine Datei außerhalb des Ordners der Konfiguration oder schreibt sie unter falschem Namen</translation>
    </message>
    <message>
        <source>it holds too many different lines with passwords to hide them</source>
        <translation>sie enthält zu viele verschiedene Zeilen mit Passwörtern, um diese zu verbergen</translation>
    </message>
</context>
<context>
    <name>SecretSet</name>
    <message>
        <source>[a line is held back here: it held a password]</source>
        <translation>[hier wird eine Zeile zurückgehalten: sie enthielt ein Passwort]</translation>
    </message>
</context>
<context>
    <name>SettingsDocument</name>
    <message>
        <source>the variable %1 cannot be added</source>
        <translation>die Variable %1 kann nicht hinzugefügt werden</translation>
    </message>
    <message>
        <source>%1 is listed again; only its first entry, at line %2, counts</source>
        <translation>%1 ist noch einmal aufgeführt; nur der erste Eintrag, in Zeile %2, zählt</translation>
    </message>
</context>
<context>
    <name>SettingsWriter</name>
    <message>
        <source>The settings could not be saved.
%1</source>
        <translation>Die Einstellungen konnten nicht gespeichert werden.
%1</translation>
    </message>
    <message>
        <source>%1: the root element is &lt;%2&gt;, but must be &lt;xml&gt;</source>
        <translation>%1: Das Wurzelelement ist &lt;%2&gt;, muss aber &lt;xml&gt; sein</translation>
    </message>
    <message>
        <source>The value of &quot;%1&quot; holds the character %2, which a settings file cannot store. Nothing was saved.</source>
        <translation>Der Wert von „%1“ enthält das Zeichen %2, das eine Einstellungsdatei nicht speichern kann. Es wurde nichts gespeichert.</translation>
    </message>
    <message>
        <source>The settings were not saved: %1 would be %2 bytes long, more than the %3 bytes a settings file may have to be loaded again. The largest value is that of %4.</source>
        <translation>Die Einstellungen wurden nicht gespeichert: %1 wäre %2 Bytes lang, mehr als die %3 Bytes, die eine Einstellungsdatei haben darf, um wieder geladen zu werden. Der größte Wert ist der von %4.</translation>
    </message>
    <message>
        <source>%1: %2 has a value, but no item of the configuration declares it</source>
        <translation>%1: %2 hat einen Wert, aber kein Eintrag der Konfiguration deklariert die Variable</translation>
    </message>
    <message>
        <source>The settings were not saved, because the existing file could not be read:
%1</source>
        <translation>Die Einstellungen wurden nicht gespeichert, weil die vorhandene Datei nicht gelesen werden konnte:
%1</translation>
    </message>
    <message>
        <source>The before command could not be started, so nothing was saved.</source>
        <translation>Der Befehl vor dem Speichern konnte nicht gestartet werden, daher wurde nichts gespeichert.</translation>
    </message>
    <message>
        <source>The after command could not be started.</source>
        <translation>Der Befehl nach dem Speichern konnte nicht gestartet werden.</translation>
    </message>
    <message>
        <source>The before command did not succeed, so nothing was saved.</source>
        <translation>Der Befehl vor dem Speichern ist fehlgeschlagen, daher wurde nichts gespeichert.</translation>
    </message>
    <message>
        <source>The after command did not succeed.</source>
        <translation>Der Befehl nach dem Speichern ist fehlgeschlagen.</translation>
    </message>
</context>
<context>
    <name>Status</name>
    <message>
        <source>there is not enough memory</source>
        <translation>es ist nicht genug Speicher frei</translation>
    </message>
</context>
<context>
    <name>SystemError</name>
    <message>
        <source>Unknown error %1</source>
        <translation>Unbekannter Fehler %1</translation>
    </message>
</context>
<context>
    <name>TemplateExport</name>
    <message>
        <source>the settings file %1</source>
        <translation>die Einstellungsdatei %1</translation>
    </message>
    <message>
        <source>the configuration file %1</source>
        <translation>die Konfigurationsdatei %1</translation>
    </message>
    <message>
        <source>the template %1</source>
        <translation>die Vorlage %1</translation>
    </message>
    <message>
        <source>The template entry &quot;%1&quot; -&gt; &quot;%2&quot; was not exported: %3.</source>
        <translation>Der Vorlageneintrag „%1“ -&gt; „%2“ wurde nicht exportiert: %3.</translation>
    </message>
    <message>
        <source>its output is empty</source>
        <translation>seine Ausgabe ist leer</translation>
    </message>
    <message>
        <source>its output is the same file as %1</source>
        <translation>seine Ausgabe ist dieselbe Datei wie %1</translation>
    </message>
    <message>
        <source>%1 could not be found
%2</source>
        <translation>%1 wurde nicht gefunden
%2</translation>
    </message>
    <message>
        <source>%1 could not be written
%2</source>
        <translation>%1 konnte nicht geschrieben werden
%2</translation>
    </message>
    <message>
        <source>%1:%2: %3 has no value</source>
        <translation>%1:%2: %3 hat keinen Wert</translation>
    </message>
    <message>
        <source>%1: ... and %2 more without a value</source>
        <translation>%1: … und %2 weitere ohne Wert</translation>
    </message>
    <message>
        <source>%1 holds a password, but its mode %2 lets others than its owner read it</source>
        <translation>%1 enthält ein Passwort, aber ihr Modus %2 lässt andere als ihren Eigentümer sie lesen</translation>
    </message>
</context>
<context>
    <name>TrustedPath</name>
    <message>
        <source>the symlink belongs to %1, who is neither root nor the user running this program; nothing is read through it</source>
        <translation>der symbolische Link gehört %1, der weder root noch der Benutzer ist, der dieses Programm ausführt; über ihn wird nichts gelesen</translation>
    </message>
    <message>
        <source>the folder belongs to %1, who is neither root nor the user running this program; nothing is read through it</source>
        <translation>der Ordner gehört %1, der weder root noch der Benutzer ist, der dieses Programm ausführt; aus ihm wird nichts gelesen</translation>
    </message>
    <message>
        <source>the folder belongs to %1, but other users may replace what is in it (mode %2); nothing is read through it</source>
        <translation>der Ordner gehört %1, aber andere Benutzer können ersetzen, was darin liegt (Modus %2); aus ihm wird nichts gelesen</translation>
    </message>
    <message>
        <source>the file belongs to %1, who is neither root nor the user running this program; it is not read</source>
        <translation>die Datei gehört %1, der weder root noch der Benutzer ist, der dieses Programm ausführt; sie wird nicht gelesen</translation>
    </message>
    <message>
        <source>the file belongs to %1, but other users may change it (mode %2); it is not read</source>
        <translation>die Datei gehört %1, aber andere Benutzer können sie ändern (Modus %2); sie wird nicht gelesen</translation>
    </message>
    <message>
        <source>the group %1</source>
        <translation>die Gruppe %1</translation>
    </message>
    <message>
        <source>every user</source>
        <translation>jeder Benutzer</translation>
    </message>
    <message>
        <source>nothing is read through it</source>
        <translation>über ihn wird nichts gelesen</translation>
    </message>
    <message>
        <source>nothing is started through it</source>
        <translation>über ihn wird nichts gestartet</translation>
    </message>
    <message>
        <source>it is not read</source>
        <translation>sie wird nicht gelesen</translation>
    </message>
    <message>
        <source>it is not started</source>
        <translation>es wird nicht gestartet</translation>
    </message>
    <message>
        <source>the symlink belongs to %1, who is neither root nor the user running this program; %2</source>
        <translation>der symbolische Link gehört %1, der weder root noch der Benutzer ist, der dieses Programm ausführt; %2</translation>
    </message>
    <message>
        <source>the folder belongs to %1, who is neither root nor the user running this program; %2</source>
        <translation>der Ordner gehört %1, der weder root noch der Benutzer ist, der dieses Programm ausführt; %2</translation>
    </message>
    <message>
        <source>the file belongs to %1, who is neither root nor the user running this program; %2</source>
        <translation>die Datei gehört %1, der weder root noch der Benutzer ist, der dieses Programm ausführt; %2</translation>
    </message>
    <message>
        <source>the folder belongs to %1, but other users may replace what is in it (mode %2); %3</source>
        <translation>der Ordner gehört %1, aber andere Benutzer können ersetzen, was darin liegt (Modus %2); %3</translation>
    </message>
    <message>
        <source>the file belongs to %1, but other users may change it (mode %2); %3</source>
        <translation>die Datei gehört %1, aber andere Benutzer können sie ändern (Modus %2); %3</translation>
    </message>
    <message>
        <source>Remove the entry with setfacl -x %1</source>
        <translation>Entfernen Sie den Eintrag mit setfacl -x %1</translation>
    </message>
    <message>
        <source>Remove the default ACL with setfacl -k</source>
        <translation>Entfernen Sie die Standard-ACL mit setfacl -k</translation>
    </message>
    <message>
        <source>Make it writable only by its owner with chmod go-w</source>
        <translation>Machen Sie sie mit chmod go-w nur für ihren Eigentümer beschreibbar</translation>
    </message>
    <message>
        <source>its default ACL lets %1 write to what is made in it (%2); %3. %4</source>
        <translation>seine Standard-ACL lässt %1 in das schreiben, was darin angelegt wird (%2); %3. %4</translation>
    </message>
    <message>
        <source>its ACL lets %1 write to it (%2); %3. %4</source>
        <translation>ihre ACL lässt %1 darauf schreiben (%2); %3. %4</translation>
    </message>
    <message>
        <source>the file has %1 hard links, in a folder where other users may create files: another user could have linked it there; %2. Keep it in a folder of your own</source>
        <translation>die Datei hat %1 harte Links und liegt in einem Ordner, in dem andere Benutzer Dateien anlegen können: ein anderer Benutzer könnte sie dort verlinkt haben; %2. Legen Sie sie in einen eigenen Ordner</translation>
    </message>
    <message>
        <source>its ACL is not one this program can read</source>
        <translation>ihre ACL kann dieses Programm nicht lesen</translation>
    </message>
</context>
<context>
    <name>ValueHistory</name>
    <message>
        <source>&amp;Undo</source>
        <translation>&amp;Rückgängig</translation>
    </message>
    <message>
        <source>R&amp;edo</source>
        <translation>&amp;Wiederholen</translation>
    </message>
</context>
<context>
    <name>ValueRules</name>
    <message>
        <source>&lt;required&gt; must be true or false, not %1</source>
        <translation>&lt;required&gt; muss true oder false sein, nicht %1</translation>
    </message>
    <message>
        <source>&lt;%1&gt; is not a whole number: %2</source>
        <translation>&lt;%1&gt; ist keine ganze Zahl: %2</translation>
    </message>
    <message>
        <source>&lt;min&gt; %1 is above &lt;max&gt; %2</source>
        <translation>&lt;min&gt; %1 ist größer als &lt;max&gt; %2</translation>
    </message>
    <message>
        <source>&lt;on&gt; and &lt;off&gt; are both %1</source>
        <translation>&lt;on&gt; und &lt;off&gt; sind beide %1</translation>
    </message>
    <message>
        <source>a choice needs at least one &lt;option&gt;</source>
        <translation>eine Auswahl braucht mindestens eine &lt;option&gt;</translation>
    </message>
    <message>
        <source>&lt;pattern&gt; %1 does not compile: %2</source>
        <translation>&lt;pattern&gt; %1 ist kein gültiger Ausdruck: %2</translation>
    </message>
    <message>
        <source>the &lt;default&gt; does not fit: it %1</source>
        <translation>der &lt;default&gt; passt nicht: Er %1</translation>
    </message>
    <message>
        <source>must not be empty</source>
        <translation>darf nicht leer sein</translation>
    </message>
    <message>
        <source>is not a whole number</source>
        <translation>ist keine ganze Zahl</translation>
    </message>
    <message>
        <source>must be at least %1</source>
        <translation>muss mindestens %1 sein</translation>
    </message>
    <message>
        <source>must be at most %1</source>
        <translation>darf höchstens %1 sein</translation>
    </message>
    <message>
        <source>must be %1 or %2</source>
        <translation>muss %1 oder %2 sein</translation>
    </message>
    <message>
        <source>is not one of %1</source>
        <translation>ist keiner der Werte %1</translation>
    </message>
    <message>
        <source>does not match the pattern %1</source>
        <translation>passt nicht zum Muster %1</translation>
    </message>
    <message>
        <source>a &lt;depends&gt; must name the variable it depends on</source>
        <translation>ein &lt;depends&gt; muss die Variable nennen, von der der Eintrag abhängt</translation>
    </message>
    <message>
        <source>could not be checked against the pattern %1: the value is too long or too complex for it</source>
        <translation>konnte nicht gegen das Muster %1 geprüft werden: der Wert ist dafür zu lang oder zu komplex</translation>
    </message>
</context>
<context>
    <name>WarningsReport</name>
    <message>
        <source>Configuration Warnings</source>
        <translation>Warnungen zur Konfiguration</translation>
    </message>
    <message>
        <source>Save Warnings</source>
        <translation>Warnungen beim Speichern</translation>
    </message>
    <message numerus="yes">
        <source>... and %n more</source>
        <translation>
            <numerusform>… und %n weitere</numerusform>
            <numerusform>… und %n weitere</numerusform>
        </translation>
    </message>
    <message>
        <source>The settings were saved and the templates exported, but:</source>
        <translation>Die Einstellungen wurden gespeichert und die Vorlagen exportiert, aber:</translation>
    </message>
    <message>
        <source>%1 most likely misspells these; what is misspelt has no effect until it is fixed:</source>
        <translation>%1 enthält wahrscheinlich diese Schreibfehler; was falsch geschrieben ist, wirkt erst, wenn es berichtigt ist:</translation>
    </message>
</context>
<context>
    <name>XmlDocument</name>
    <message>
        <source>line %1: </source>
        <translation>Zeile %1: </translation>
    </message>
    <message>
        <source>the elements are nested more than %1 levels deep</source>
        <translation>die Elemente sind mehr als %1 Ebenen tief verschachtelt</translation>
    </message>
    <message>
        <source>the document declares entities, which are not accepted</source>
        <translation>das Dokument deklariert Entitäten, die nicht angenommen werden</translation>
    </message>
    <message>
        <source>the document names an external DTD, which is not accepted</source>
        <translation>das Dokument nennt eine externe DTD, die nicht angenommen wird</translation>
    </message>
    <message>
        <source>a comment outside the root element</source>
        <translation>ein Kommentar außerhalb des Wurzelelements</translation>
    </message>
    <message>
        <source>attribute &apos;%1&apos; of element &apos;%2&apos;</source>
        <translation>das Attribut „%1“ des Elements „%2“</translation>
    </message>
    <message>
        <source>the text of element &apos;%1&apos;</source>
        <translation>der Text des Elements „%1“</translation>
    </message>
    <message>
        <source>%1 holds %2, a character XML 1.0 does not allow</source>
        <translation>%1 enthält %2, ein Zeichen, das XML 1.0 nicht erlaubt</translation>
    </message>
    <message>
        <source>the file is empty</source>
        <translation>die Datei ist leer</translation>
    </message>
    <message>
        <source>the file is gzip-compressed, not XML text</source>
        <translation>die Datei ist gzip-komprimiert, kein XML-Text</translation>
    </message>
    <message>
        <source>the file is too large</source>
        <translation>die Datei ist zu groß</translation>
    </message>
    <message>
        <source>an element has more than %1 attributes, more than the program reads</source>
        <translation>ein Element hat mehr als %1 Attribute, mehr als das Programm liest</translation>
    </message>
    <message>
        <source>out of memory</source>
        <translation>nicht genug Speicher</translation>
    </message>
    <message>
        <source>the text holds bytes that are not valid in its declared encoding</source>
        <translation>der Text enthält Bytes, die in seiner angegebenen Kodierung ungültig sind</translation>
    </message>
    <message>
        <source>the text is not well-formed XML</source>
        <translation>der Text ist kein wohlgeformtes XML</translation>
    </message>
    <message>
        <source>the document has no root element</source>
        <translation>das Dokument hat kein Wurzelelement</translation>
    </message>
    <message>
        <source>the document cannot be written</source>
        <translation>das Dokument kann nicht geschrieben werden</translation>
    </message>
    <message>
        <source>cannot bind $%1</source>
        <translation>$%1 kann nicht gebunden werden</translation>
    </message>
    <message>
        <source>the expression does not select nodes</source>
        <translation>der Ausdruck wählt keine Knoten aus</translation>
    </message>
</context>
<context>
    <name>clsTextbox</name>
    <message>
        <source>This value %1.</source>
        <translation>Dieser Wert %1.</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>Reset to Saved Value</source>
        <translation>Auf gespeicherten Wert zurücksetzen</translation>
    </message>
    <message>
        <source>Reset to Default</source>
        <translation>Auf Standardwert zurücksetzen</translation>
    </message>
    <message>
        <source>Enabled while %1.</source>
        <translation>Aktiv, wenn gilt: %1.</translation>
    </message>
    <message>
        <source>Invalid.</source>
        <translation>Ungültig.</translation>
    </message>
    <message>
        <source>Required.</source>
        <translation>Erforderlich.</translation>
    </message>
    <message>
        <source>%1 (edited)</source>
        <translation>%1 (bearbeitet)</translation>
    </message>
    <message>
        <source>Bold label: edited since the file was loaded or saved.</source>
        <translation>Fette Beschriftung: bearbeitet, seit die Datei geladen oder gespeichert wurde.</translation>
    </message>
    <message>
        <source>Italic label: not the default value.</source>
        <translation>Kursive Beschriftung: nicht der Standardwert.</translation>
    </message>
    <message>
        <source>Not the default value.</source>
        <translation>Nicht der Standardwert.</translation>
    </message>
</context>
<context>
    <name>frmsetup</name>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;Open...</source>
        <translation>Ö&amp;ffnen …</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>Save As...</source>
        <translation>Speichern unter …</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>About Tervo Setup</source>
        <translation>Über Tervo Setup</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Configuration Editor</source>
        <translation>Konfigurationseditor</translation>
    </message>
    <message>
        <source>%1 does not exist. Start with the default values and create it on the first save?</source>
        <translation>%1 existiert nicht. Mit den Standardwerten beginnen und die Datei beim ersten Speichern anlegen?</translation>
    </message>
    <message>
        <source>Nothing was saved. These values are not valid:</source>
        <translation>Es wurde nichts gespeichert. Diese Werte sind ungültig:</translation>
    </message>
    <message>
        <source>Show C&amp;hanges...</source>
        <translation>Än&amp;derungen anzeigen …</translation>
    </message>
    <message>
        <source>&amp;Guide</source>
        <translation>&amp;Anleitung</translation>
    </message>
    <message>
        <source>&amp;Keyboard Shortcuts</source>
        <translation>&amp;Tastenkürzel</translation>
    </message>
    <message>
        <source>Saved %1</source>
        <translation>%1 gespeichert</translation>
    </message>
    <message numerus="yes">
        <source>%n file(s) exported</source>
        <translation>
            <numerusform>%n Datei exportiert</numerusform>
            <numerusform>%n Dateien exportiert</numerusform>
        </translation>
    </message>
    <message>
        <source>the after command ran</source>
        <translation>der Befehl danach ist gelaufen</translation>
    </message>
    <message>
        <source>the after command started</source>
        <translation>der Befehl danach wurde gestartet</translation>
    </message>
    <message numerus="yes">
        <source>%n value(s) were kept from %1: %2</source>
        <translation>
            <numerusform>%n Wert wurde aus %1 behalten: %2</numerusform>
            <numerusform>%n Werte wurden aus %1 behalten: %2</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 does not list them. They count as edits: a save stores them, and Edit &gt; Reset All to Saved drops them.</source>
        <translation>%1 führt sie nicht auf. Sie zählen als Bearbeitungen: Ein Speichern legt sie ab, und Bearbeiten &gt; Alle auf gespeicherte Werte zurücksetzen verwirft sie.</translation>
    </message>
</context>
<context>
    <name>xAboutTrvSet</name>
    <message>
        <source>About Tervo Setup</source>
        <translation>Über Tervo Setup</translation>
    </message>
    <message>
        <source>Configuration Editor</source>
        <translation>Konfigurationseditor</translation>
    </message>
    <message>
        <source>Click the picture to close</source>
        <translation>Zum Schließen auf das Bild klicken</translation>
    </message>
</context>
</TS>
