<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>AtomicReplace</name>
    <message>
        <source>the user %1</source>
        <translation>the user %1</translation>
    </message>
    <message>
        <source>the user with uid %1</source>
        <translation>the user with uid %1</translation>
    </message>
    <message>
        <source>the symlink belongs to %1, who is neither root nor the user running this program; nothing is written through it</source>
        <translation>the symlink belongs to %1, who is neither root nor the user running this program; nothing is written through it</translation>
    </message>
    <message>
        <source>the folder belongs to %1, who is neither root nor the user running this program; nothing is written through it</source>
        <translation>the folder belongs to %1, who is neither root nor the user running this program; nothing is written through it</translation>
    </message>
    <message>
        <source>the folder belongs to %1, but other users may replace what is in it (mode %2); nothing is written through it</source>
        <translation>the folder belongs to %1, but other users may replace what is in it (mode %2); nothing is written through it</translation>
    </message>
    <message>
        <source>the file belongs to %1, in a folder where other users may create files; it is not written</source>
        <translation>the file belongs to %1, in a folder where other users may create files; it is not written</translation>
    </message>
    <message>
        <source>the file was replaced, but the folder could not be flushed to the disk: </source>
        <translation>the file was replaced, but the folder could not be flushed to the disk: </translation>
    </message>
    <message>
        <source>another program changed the file while it was read, so it was not replaced</source>
        <translation>another program changed the file while it was read, so it was not replaced</translation>
    </message>
    <message>
        <source>nothing is written through it</source>
        <translation>nothing is written through it</translation>
    </message>
    <message>
        <source>it is not written</source>
        <translation>it is not written</translation>
    </message>
</context>
<context>
    <name>BooleanField</name>
    <message>
        <source>No value: neither on nor off</source>
        <translation>No value: neither on nor off</translation>
    </message>
    <message>
        <source>Neither on nor off: %1</source>
        <translation>Neither on nor off: %1</translation>
    </message>
</context>
<context>
    <name>ChangesView</name>
    <message>
        <source>Show Changes</source>
        <translation>Show Changes</translation>
    </message>
    <message>
        <source>Saving would change no file.</source>
        <translation>Saving would change no file.</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Save</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Close</translation>
    </message>
    <message>
        <source>Changes a save would make</source>
        <translation>Changes a save would make</translation>
    </message>
    <message>
        <source>These values are not valid; nothing can be saved until they are fixed:</source>
        <translation>These values are not valid; nothing can be saved until they are fixed:</translation>
    </message>
    <message>
        <source>Values edited since the save</source>
        <translation>Values edited since the save</translation>
    </message>
    <message>
        <source>Group</source>
        <translation>Group</translation>
    </message>
    <message>
        <source>Setting</source>
        <translation>Setting</translation>
    </message>
    <message>
        <source>Old → new</source>
        <translation>Old → new</translation>
    </message>
    <message>
        <source>%1 → %2</source>
        <translation>%1 → %2</translation>
    </message>
    <message>
        <source>Saving would change these files:</source>
        <translation>Saving would change these files:</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>Did not understand: %1<byte value="xd"/>
<byte value="xd"/>
</source>
        <translation>Did not understand: %1<byte value="xd"/>
<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>Konfiguration Editor Command Line Syntax<byte value="xd"/>
/file:&lt;file&gt;	Öffnet die Datei &lt;file&gt;<byte value="xd"/>
/export	Exportiert die Datei und schließt das Programm anschließend.<byte value="xd"/>
/conf:&lt;file&gt;	Gibt die Konfigurationsdatei an.</source>
        <translation>Configuration Editor command line syntax<byte value="xd"/>
/file:&lt;file&gt;	Opens the settings file &lt;file&gt;.<byte value="xd"/>
/export	Saves and exports without a window, then exits.<byte value="xd"/>
/conf:&lt;file&gt;	Names the configuration file.</translation>
    </message>
    <message>
        <source>Did not understand: %1... (expected /set:NAME=VALUE; the rest is not shown)<byte value="xd"/>
<byte value="xd"/>
</source>
        <translation>Did not understand: %1... (expected /set:NAME=VALUE; the rest is not shown)<byte value="xd"/>
<byte value="xd"/>
</translation>
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
        <translation>Configuration Editor command line syntax
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

See man tervosetup.</translation>
    </message>
</context>
<context>
    <name>Configuration</name>
    <message>
        <source>the root element is &lt;%1&gt;, but must be &lt;xml&gt;</source>
        <translation>the root element is &lt;%1&gt;, but must be &lt;xml&gt;</translation>
    </message>
    <message>
        <source>the group name &quot;%1&quot; is already used at line %2; group names must be unique</source>
        <translation>the group name &quot;%1&quot; is already used at line %2; group names must be unique</translation>
    </message>
    <message>
        <source>the item &quot;%1&quot; (%2): %3</source>
        <translation>the item &quot;%1&quot; (%2): %3</translation>
    </message>
    <message>
        <source>the variable &quot;%1&quot; has the bare name &quot;%2&quot;, which the variable at line %3 already has; bare names must be unique</source>
        <translation>the variable &quot;%1&quot; has the bare name &quot;%2&quot;, which the variable at line %3 already has; bare names must be unique</translation>
    </message>
    <message>
        <source>&lt;%1&gt; has no &lt;%2&gt;</source>
        <translation>&lt;%1&gt; has no &lt;%2&gt;</translation>
    </message>
    <message>
        <source>%1: line %2: %3</source>
        <translation>%1: line %2: %3</translation>
    </message>
    <message>
        <source>the %1 command has wait=&quot;%2&quot;, but wait must be &quot;true&quot; or &quot;false&quot;</source>
        <translation>the %1 command has wait=&quot;%2&quot;, but wait must be &quot;true&quot; or &quot;false&quot;</translation>
    </message>
    <message>
        <source>the %1 command has a timeout, which needs wait=&quot;true&quot;</source>
        <translation>the %1 command has a timeout, which needs wait=&quot;true&quot;</translation>
    </message>
    <message>
        <source>the %1 command has timeout=&quot;%2&quot;, but the timeout must be a whole number of seconds from 1 to %3</source>
        <translation>the %1 command has timeout=&quot;%2&quot;, but the timeout must be a whole number of seconds from 1 to %3</translation>
    </message>
    <message>
        <source>&lt;depends&gt; names %1, which no item declares</source>
        <translation>&lt;depends&gt; names %1, which no item declares</translation>
    </message>
    <message>
        <source>&lt;depends&gt; names the item itself</source>
        <translation>&lt;depends&gt; names the item itself</translation>
    </message>
    <message>
        <source>&lt;depends&gt; makes a cycle: %1</source>
        <translation>&lt;depends&gt; makes a cycle: %1</translation>
    </message>
    <message>
        <source>type &quot;%1&quot; is read as free text; did you mean &quot;%2&quot;?</source>
        <translation>type &quot;%1&quot; is read as free text; did you mean &quot;%2&quot;?</translation>
    </message>
    <message>
        <source>&lt;%1&gt; is not a known element of an item; did you mean &lt;%2&gt;?</source>
        <translation>&lt;%1&gt; is not a known element of an item; did you mean &lt;%2&gt;?</translation>
    </message>
    <message>
        <source>&lt;%1&gt; is not a known element of an item</source>
        <translation>&lt;%1&gt; is not a known element of an item</translation>
    </message>
    <message>
        <source>%1 is &quot;%2&quot;</source>
        <translation>%1 is &quot;%2&quot;</translation>
    </message>
    <message>
        <source>%1 is on</source>
        <translation>%1 is on</translation>
    </message>
    <message>
        <source>%1 is not empty</source>
        <translation>%1 is not empty</translation>
    </message>
    <message>
        <source>the command id &quot;%1&quot; is not &quot;%2&quot; (ids are case-sensitive), so this command is never started</source>
        <translation>the command id &quot;%1&quot; is not &quot;%2&quot; (ids are case-sensitive), so this command is never started</translation>
    </message>
    <message>
        <source>a second %1 command, which is never started: only the first, at line %2, is</source>
        <translation>a second %1 command, which is never started: only the first, at line %2, is</translation>
    </message>
    <message>
        <source>the template entry has mode=&quot;%1&quot;, but the mode must be octal permission bits from 0 to 0777, such as 0640</source>
        <translation>the template entry has mode=&quot;%1&quot;, but the mode must be octal permission bits from 0 to 0777, such as 0640</translation>
    </message>
</context>
<context>
    <name>ConsoleDialogs</name>
    <message>
        <source> (no display to ask on: answered No)</source>
        <translation> (no display to ask on: answered No)</translation>
    </message>
    <message>
        <source> (no display to ask on: cancelled)</source>
        <translation> (no display to ask on: cancelled)</translation>
    </message>
</context>
<context>
    <name>DialogWaitLauncher</name>
    <message>
        <source>Waiting for the command to end:
%1</source>
        <translation>Waiting for the command to end:
%1</translation>
    </message>
</context>
<context>
    <name>DiskFileSystem</name>
    <message>
        <source>no program is reading from this pipe</source>
        <translation>no program is reading from this pipe</translation>
    </message>
    <message>
        <source>the file changed while it was opened</source>
        <translation>the file changed while it was opened</translation>
    </message>
    <message>
        <source>is not a regular file</source>
        <translation>is not a regular file</translation>
    </message>
    <message>
        <source>Waiting for %1: another program is saving there...</source>
        <translation>Waiting for %1: another program is saving there...</translation>
    </message>
    <message>
        <source>gave up waiting after %1 s: another program is still saving there</source>
        <translation>gave up waiting after %1 s: another program is still saving there</translation>
    </message>
    <message>
        <source>the wait was cancelled: another program is still saving there</source>
        <translation>the wait was cancelled: another program is still saving there</translation>
    </message>
</context>
<context>
    <name>Display</name>
    <message>
        <source>the display %1</source>
        <translation>the display %1</translation>
    </message>
    <message>
        <source>took the connection but did not answer within %1 seconds</source>
        <translation>took the connection but did not answer within %1 seconds</translation>
    </message>
</context>
<context>
    <name>EditMenu</name>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>&amp;Find...</source>
        <translation>&amp;Find...</translation>
    </message>
    <message>
        <source>Find &amp;Next</source>
        <translation>Find &amp;Next</translation>
    </message>
    <message>
        <source>Find &amp;Previous</source>
        <translation>Find &amp;Previous</translation>
    </message>
    <message>
        <source>&amp;Reset to Saved Value</source>
        <translation>&amp;Reset to Saved Value</translation>
    </message>
    <message>
        <source>Reset to &amp;Default</source>
        <translation>Reset to &amp;Default</translation>
    </message>
    <message>
        <source>Reset &amp;All to Saved</source>
        <translation>Reset &amp;All to Saved</translation>
    </message>
    <message>
        <source>Puts back the saved value of every field, as one step.</source>
        <translation>Puts back the saved value of every field, as one step.</translation>
    </message>
    <message>
        <source>Reset All to Defaul&amp;ts</source>
        <translation>Reset All to Defaul&amp;ts</translation>
    </message>
    <message>
        <source>Puts back the default of every field whose item declares one, as one step; the others keep their values.</source>
        <translation>Puts back the default of every field whose item declares one, as one step; the others keep their values.</translation>
    </message>
</context>
<context>
    <name>EditSession</name>
    <message>
        <source>%1
Another user could have chosen what the configuration %2 holds, so none of its commands is started and none of its templates read. Nothing was saved.</source>
        <translation>%1
Another user could have chosen what the configuration %2 holds, so none of its commands is started and none of its templates read. Nothing was saved.</translation>
    </message>
    <message>
        <source>%1
Another user could have chosen what the template %2 holds, so it is not read. Nothing was saved.</source>
        <translation>%1
Another user could have chosen what the template %2 holds, so it is not read. Nothing was saved.</translation>
    </message>
    <message>
        <source>%1
Another user could have chosen the program that the command %2 starts, so nothing was started. Nothing was saved.</source>
        <translation>%1
Another user could have chosen the program that the command %2 starts, so nothing was started. Nothing was saved.</translation>
    </message>
    <message>
        <source>%1 is %2, not a settings file: it is not opened, and no settings are saved into it.</source>
        <translation>%1 is %2, not a settings file: it is not opened, and no settings are saved into it.</translation>
    </message>
    <message>
        <source>the configuration %1</source>
        <translation>the configuration %1</translation>
    </message>
    <message>
        <source>the template %1 of %2</source>
        <translation>the template %1 of %2</translation>
    </message>
    <message>
        <source>the output %1 of %2</source>
        <translation>the output %1 of %2</translation>
    </message>
    <message>
        <source> and </source>
        <translation> and </translation>
    </message>
    <message>
        <source>%1 (%2) is empty: the outputs get an empty number where they use it</source>
        <translation>%1 (%2) is empty: the outputs get an empty number where they use it</translation>
    </message>
    <message>
        <source>%1 (%2) is empty: the outputs get an empty choice where they use it</source>
        <translation>%1 (%2) is empty: the outputs get an empty choice where they use it</translation>
    </message>
    <message>
        <source>%1 (%2) is empty: the outputs get an empty path where they use it</source>
        <translation>%1 (%2) is empty: the outputs get an empty path where they use it</translation>
    </message>
</context>
<context>
    <name>FieldPages</name>
    <message>
        <source>(required)</source>
        <translation>(required)</translation>
    </message>
    <message>
        <source>This value must not be empty.</source>
        <translation>This value must not be empty.</translation>
    </message>
    <message numerus="yes">
        <source>%n value(s) on this page are not valid.</source>
        <translation>
            <numerusform>%n value on this page is not valid.</numerusform>
            <numerusform>%n values on this page are not valid.</numerusform>
        </translation>
    </message>
    <message>
        <source>Groups</source>
        <translation>Groups</translation>
    </message>
    <message>
        <source>Every group (Ctrl+G)</source>
        <translation>Every group (Ctrl+G)</translation>
    </message>
</context>
<context>
    <name>FileSystem</name>
    <message>
        <source>the file is larger than %1 bytes</source>
        <translation>the file is larger than %1 bytes</translation>
    </message>
</context>
<context>
    <name>FindBar</name>
    <message>
        <source>Find</source>
        <translation>Find</translation>
    </message>
    <message>
        <source>No match</source>
        <translation>No match</translation>
    </message>
    <message>
        <source>1 match</source>
        <translation>1 match</translation>
    </message>
    <message>
        <source>%1 matches</source>
        <translation>%1 matches</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 of %2</translation>
    </message>
    <message>
        <source>Show Only &amp;Matches</source>
        <translation>Show Only &amp;Matches</translation>
    </message>
    <message>
        <source>Only matches</source>
        <translation>Only matches</translation>
    </message>
    <message>
        <source>Show Only &amp;Edited</source>
        <translation>Show Only &amp;Edited</translation>
    </message>
    <message>
        <source>Only edited</source>
        <translation>Only edited</translation>
    </message>
    <message>
        <source>Show Only &amp;Not Default</source>
        <translation>Show Only &amp;Not Default</translation>
    </message>
    <message>
        <source>Only not default</source>
        <translation>Only not default</translation>
    </message>
</context>
<context>
    <name>FirstStart</name>
    <message>
        <source>There is no configuration file in %1.

TervoSetup needs a configuration file (such as config.xml) that declares the settings, and a settings file beside it (settings.xml) that holds their values.</source>
        <translation>There is no configuration file in %1.

TervoSetup needs a configuration file (such as config.xml) that declares the settings, and a settings file beside it (settings.xml) that holds their values.</translation>
    </message>
    <message>
        <source>&amp;Open a Configuration...</source>
        <translation>&amp;Open a Configuration...</translation>
    </message>
    <message>
        <source>Open a configuration, or start from the example: its configuration, settings and templates are copied into a folder you choose, and opened there.</source>
        <translation>Open a configuration, or start from the example: its configuration, settings and templates are copied into a folder you choose, and opened there.</translation>
    </message>
    <message>
        <source>Start from the &amp;Example...</source>
        <translation>Start from the &amp;Example...</translation>
    </message>
    <message>
        <source>Choose a Folder for the Example</source>
        <translation>Choose a Folder for the Example</translation>
    </message>
    <message>
        <source>%1 holds %2 already. Nothing was copied: choose a folder without these files.</source>
        <translation>%1 holds %2 already. Nothing was copied: choose a folder without these files.</translation>
    </message>
    <message>
        <source>The example could not be copied into %1:

%2</source>
        <translation>The example could not be copied into %1:

%2</translation>
    </message>
</context>
<context>
    <name>HelpViews</name>
    <message>
        <source>Keyboard Shortcuts</source>
        <translation>Keyboard Shortcuts</translation>
    </message>
    <message>
        <source>Guide</source>
        <translation>Guide</translation>
    </message>
    <message>
        <source>Ctrl+O</source>
        <translation>Ctrl+O</translation>
    </message>
    <message>
        <source>Open another settings file</source>
        <translation>Open another settings file</translation>
    </message>
    <message>
        <source>Ctrl+S</source>
        <translation>Ctrl+S</translation>
    </message>
    <message>
        <source>Save the settings and export the templates</source>
        <translation>Save the settings and export the templates</translation>
    </message>
    <message>
        <source>Ctrl+D</source>
        <translation>Ctrl+D</translation>
    </message>
    <message>
        <source>Show Changes: what a save would change, before anything is written</source>
        <translation>Show Changes: what a save would change, before anything is written</translation>
    </message>
    <message>
        <source>Ctrl+F</source>
        <translation>Ctrl+F</translation>
    </message>
    <message>
        <source>Find a field by its label, variable or help</source>
        <translation>Find a field by its label, variable or help</translation>
    </message>
    <message>
        <source>F3, Shift+F3</source>
        <translation>F3, Shift+F3</translation>
    </message>
    <message>
        <source>Next and previous field found</source>
        <translation>Next and previous field found</translation>
    </message>
    <message>
        <source>Ctrl+Shift+F</source>
        <translation>Ctrl+Shift+F</translation>
    </message>
    <message>
        <source>Show only the fields found</source>
        <translation>Show only the fields found</translation>
    </message>
    <message>
        <source>Ctrl+Shift+M</source>
        <translation>Ctrl+Shift+M</translation>
    </message>
    <message>
        <source>Show only the edited fields (bold label)</source>
        <translation>Show only the edited fields (bold label)</translation>
    </message>
    <message>
        <source>Ctrl+Shift+D</source>
        <translation>Ctrl+Shift+D</translation>
    </message>
    <message>
        <source>Show only the fields that are not at their default (italic label)</source>
        <translation>Show only the fields that are not at their default (italic label)</translation>
    </message>
    <message>
        <source>Escape</source>
        <translation>Escape</translation>
    </message>
    <message>
        <source>Close the search box and its filters</source>
        <translation>Close the search box and its filters</translation>
    </message>
    <message>
        <source>Ctrl+Z, Ctrl+Shift+Z</source>
        <translation>Ctrl+Z, Ctrl+Shift+Z</translation>
    </message>
    <message>
        <source>Undo and redo, over every field</source>
        <translation>Undo and redo, over every field</translation>
    </message>
    <message>
        <source>Ctrl+R</source>
        <translation>Ctrl+R</translation>
    </message>
    <message>
        <source>Put the saved value of the field back</source>
        <translation>Put the saved value of the field back</translation>
    </message>
    <message>
        <source>Ctrl+Shift+H</source>
        <translation>Ctrl+Shift+H</translation>
    </message>
    <message>
        <source>Show or hide a password</source>
        <translation>Show or hide a password</translation>
    </message>
    <message>
        <source>F4</source>
        <translation>F4</translation>
    </message>
    <message>
        <source>Choose a file or a folder in a dialog</source>
        <translation>Choose a file or a folder in a dialog</translation>
    </message>
    <message>
        <source>Ctrl+Tab, Ctrl+PgDown</source>
        <translation>Ctrl+Tab, Ctrl+PgDown</translation>
    </message>
    <message>
        <source>Next group</source>
        <translation>Next group</translation>
    </message>
    <message>
        <source>Ctrl+Shift+Tab, Ctrl+PgUp</source>
        <translation>Ctrl+Shift+Tab, Ctrl+PgUp</translation>
    </message>
    <message>
        <source>Previous group</source>
        <translation>Previous group</translation>
    </message>
    <message>
        <source>Ctrl+G</source>
        <translation>Ctrl+G</translation>
    </message>
    <message>
        <source>List every group and go to one</source>
        <translation>List every group and go to one</translation>
    </message>
    <message>
        <source>Tab, Shift+Tab</source>
        <translation>Tab, Shift+Tab</translation>
    </message>
    <message>
        <source>Next and previous field, disabled ones too</source>
        <translation>Next and previous field, disabled ones too</translation>
    </message>
    <message>
        <source>F1</source>
        <translation>F1</translation>
    </message>
    <message>
        <source>The guide</source>
        <translation>The guide</translation>
    </message>
    <message>
        <source>Each tab is a group of settings, each row one setting. The tooltip of a field and the status line give its help; a field whose value breaks its rules has a red frame, and its tab a warning sign.</source>
        <translation>Each tab is a group of settings, each row one setting. The tooltip of a field and the status line give its help; a field whose value breaks its rules has a red frame, and its tab a warning sign.</translation>
    </message>
    <message>
        <source>Two marks tell what changed. A bold label: the value was edited since the file was loaded or saved; Edit &gt; Reset All to Saved puts those back. An italic label: the value is not the setting&apos;s default (for a setting without a default: it is not empty); Edit &gt; Reset All to Defaults puts the defaults back. The filters Show Only Edited and Show Only Not Default show only those fields.</source>
        <translation>Two marks tell what changed. A bold label: the value was edited since the file was loaded or saved; Edit &gt; Reset All to Saved puts those back. An italic label: the value is not the setting&apos;s default (for a setting without a default: it is not empty); Edit &gt; Reset All to Defaults puts the defaults back. The filters Show Only Edited and Show Only Not Default show only those fields.</translation>
    </message>
    <message>
        <source>Emptying the field of a setting that has a default gives it that default, which the field then shows greyed; the save stores nothing new for it.</source>
        <translation>Emptying the field of a setting that has a default gives it that default, which the field then shows greyed; the save stores nothing new for it.</translation>
    </message>
    <message>
        <source>A field that depends on another one is read-only while that one does not allow it; the words under it say what enables it.</source>
        <translation>A field that depends on another one is read-only while that one does not allow it; the words under it say what enables it.</translation>
    </message>
    <message>
        <source>File &gt; Show Changes shows what a save would do before anything is written: the values that are not valid, the values edited, the files that would change and their patch. Saving starts the before command, writes the settings file, generates every output from its template and starts the after command; the status line then says what it did.</source>
        <translation>File &gt; Show Changes shows what a save would do before anything is written: the values that are not valid, the values edited, the files that would change and their patch. Saving starts the before command, writes the settings file, generates every output from its template and starts the after command; the status line then says what it did.</translation>
    </message>
    <message>
        <source>File &gt; Open reads another settings file. Values that file does not list keep what they had, as edits, and the window names them.</source>
        <translation>File &gt; Open reads another settings file. Values that file does not list keep what they had, as edits, and the window names them.</translation>
    </message>
    <message>
        <source>The configuration is never written. ? &gt; Keyboard Shortcuts lists every key.</source>
        <translation>The configuration is never written. ? &gt; Keyboard Shortcuts lists every key.</translation>
    </message>
</context>
<context>
    <name>LastLines</name>
    <message>
        <source>[... %1 more bytes]</source>
        <translation>[... %1 more bytes]</translation>
    </message>
</context>
<context>
    <name>LineDiff</name>
    <message>
        <source>(held back: it may hold a password)</source>
        <translation>(held back: it may hold a password)</translation>
    </message>
</context>
<context>
    <name>Messages</name>
    <message>
        <source>The file could not be loaded!

%1</source>
        <translation>The file could not be loaded!

%1</translation>
    </message>
    <message>
        <source>Wollen sie die %1 speichern?</source>
        <translation>Do you want to save %1?</translation>
    </message>
    <message>
        <source>%1 was changed by another program since it was loaded or saved here.

Yes: save your values over it.
No: load it again and discard your edits.
Cancel: do nothing.</source>
        <translation>%1 was changed by another program since it was loaded or saved here.

Yes: save your values over it.
No: load it again and discard your edits.
Cancel: do nothing.</translation>
    </message>
    <message>
        <source>%1 was removed by another program since it was loaded or saved here.

Yes: save your values to it again.
No: load it again and discard your edits.
Cancel: do nothing.</source>
        <translation>%1 was removed by another program since it was loaded or saved here.

Yes: save your values to it again.
No: load it again and discard your edits.
Cancel: do nothing.</translation>
    </message>
    <message>
        <source>Erfolgreich gespeichert</source>
        <translation>Saved successfully</translation>
    </message>
    <message>
        <source>TervoSetup: no display to show the editor on (neither DISPLAY nor WAYLAND_DISPLAY is set). Run with /export to save and export without a window.
</source>
        <translation>TervoSetup: no display to show the editor on (neither DISPLAY nor WAYLAND_DISPLAY is set). Run with /export to save and export without a window.
</translation>
    </message>
    <message>
        <source>TervoSetup: the display could not be reached, so the editor cannot be shown. Run with /export to save and export without a window.
</source>
        <translation>TervoSetup: the display could not be reached, so the editor cannot be shown. Run with /export to save and export without a window.
</translation>
    </message>
    <message>
        <source>TervoSetup: ignoring the unknown option &quot;%1&quot; (see --help)</source>
        <translation>TervoSetup: ignoring the unknown option &quot;%1&quot; (see --help)</translation>
    </message>
    <message>
        <source>The diff shows passwords as ********: read it, but do not apply it with patch.</source>
        <translation>The diff shows passwords as ********: read it, but do not apply it with patch.</translation>
    </message>
    <message>
        <source>Nothing was saved or exported: with /strict, every warning on standard error and every problem is an error.</source>
        <translation>Nothing was saved or exported: with /strict, every warning on standard error and every problem is an error.</translation>
    </message>
    <message>
        <source>XML Dateien (*.xml)</source>
        <translation>XML files (*.xml)</translation>
    </message>
    <message>
        <source>TervoSetup: ignoring the argument &quot;%1&quot;: only the first %2 count</source>
        <translation>TervoSetup: ignoring the argument &quot;%1&quot;: only the first %2 count</translation>
    </message>
    <message>
        <source>TervoSetup: nothing was done: the command line holds more than %1 arguments. Give values through /env:, which takes any number of them.
</source>
        <translation>TervoSetup: nothing was done: the command line holds more than %1 arguments. Give values through /env:, which takes any number of them.
</translation>
    </message>
    <message>
        <source>TervoSetup: /batch, /set:, /env: and /values: are for runs without the window: add /export, /check or /diff.
</source>
        <translation>TervoSetup: /batch, /set:, /env: and /values: are for runs without the window: add /export, /check or /diff.
</translation>
    </message>
    <message>
        <source>Nothing was done: &quot;%1&quot; is not an option (see --help).</source>
        <translation>Nothing was done: &quot;%1&quot; is not an option (see --help).</translation>
    </message>
</context>
<context>
    <name>Overrides</name>
    <message>
        <source>%1 declares no variable &quot;%2&quot;, which %3 gives a value; nothing was saved.</source>
        <translation>%1 declares no variable &quot;%2&quot;, which %3 gives a value; nothing was saved.</translation>
    </message>
    <message>
        <source>the environment variable %1</source>
        <translation>the environment variable %1</translation>
    </message>
    <message>
        <source>The value of %1 is not UTF-8 text; nothing was saved.</source>
        <translation>The value of %1 is not UTF-8 text; nothing was saved.</translation>
    </message>
    <message>
        <source>The value of %1 holds the character %2, which no value of a variable may hold; nothing was saved.</source>
        <translation>The value of %1 holds the character %2, which no value of a variable may hold; nothing was saved.</translation>
    </message>
    <message>
        <source>standard input</source>
        <translation>standard input</translation>
    </message>
    <message>
        <source>it is larger than %1 bytes</source>
        <translation>it is larger than %1 bytes</translation>
    </message>
    <message>
        <source>%1; nothing was saved.</source>
        <translation>%1; nothing was saved.</translation>
    </message>
    <message>
        <source>/values:- is given twice, but standard input can be read once</source>
        <translation>/values:- is given twice, but standard input can be read once</translation>
    </message>
    <message>
        <source>standard input cannot be read here</source>
        <translation>standard input cannot be read here</translation>
    </message>
    <message>
        <source>no file can be read here</source>
        <translation>no file can be read here</translation>
    </message>
    <message>
        <source>%1:%2: the values cannot be read: this is not well-formed XML (the parser&apos;s words are not shown, as they may quote a value)</source>
        <translation>%1:%2: the values cannot be read: this is not well-formed XML (the parser&apos;s words are not shown, as they may quote a value)</translation>
    </message>
    <message>
        <source>%1: the root element is not xml, so it holds no values</source>
        <translation>%1: the root element is not xml, so it holds no values</translation>
    </message>
    <message>
        <source>%1:%2: %3 is given again, after line %4</source>
        <translation>%1:%2: %3 is given again, after line %4</translation>
    </message>
</context>
<context>
    <name>PasswordField</name>
    <message>
        <source>Show the password (%1)</source>
        <translation>Show the password (%1)</translation>
    </message>
    <message>
        <source>Hide the password (%1)</source>
        <translation>Hide the password (%1)</translation>
    </message>
    <message>
        <source>Hide Password</source>
        <translation>Hide Password</translation>
    </message>
    <message>
        <source>Show Password</source>
        <translation>Show Password</translation>
    </message>
    <message>
        <source>%1 shows or hides the password.</source>
        <translation>%1 shows or hides the password.</translation>
    </message>
</context>
<context>
    <name>PasswordValueRanges</name>
    <message>
        <source>the places of the passwords in it cannot be found: %1</source>
        <translation>the places of the passwords in it cannot be found: %1</translation>
    </message>
    <message>
        <source>its encoding is not one whose markup can be read byte by byte</source>
        <translation>its encoding is not one whose markup can be read byte by byte</translation>
    </message>
    <message>
        <source>its elements cannot be told apart in its bytes</source>
        <translation>its elements cannot be told apart in its bytes</translation>
    </message>
</context>
<context>
    <name>PathField</name>
    <message>
        <source>Choose a folder... (F4)</source>
        <translation>Choose a folder... (F4)</translation>
    </message>
    <message>
        <source>Choose a file... (F4)</source>
        <translation>Choose a file... (F4)</translation>
    </message>
</context>
<context>
    <name>ProcessLauncher</name>
    <message>
        <source>The command could not be started: %1: %2</source>
        <translation>The command could not be started: %1: %2</translation>
    </message>
    <message>
        <source>The command %1: %2</source>
        <translation>The command %1: %2</translation>
    </message>
    <message>
        <source>
The last lines it wrote to standard error:
</source>
        <translation>
The last lines it wrote to standard error:
</translation>
    </message>
</context>
<context>
    <name>Program</name>
    <message>
        <source>TervoSetup: %1, so %2.</source>
        <translation>TervoSetup: %1, so %2.</translation>
    </message>
    <message>
        <source>messages go to standard error only</source>
        <translation>messages go to standard error only</translation>
    </message>
    <message>
        <source>it counts as no display</source>
        <translation>it counts as no display</translation>
    </message>
</context>
<context>
    <name>QGnomeTheme</name>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Cancel</translation>
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
        <translation>&amp;Yes</translation>
    </message>
    <message>
        <source>&amp;No</source>
        <translation>&amp;No</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
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
        <translation>the command is empty</translation>
    </message>
    <message>
        <source>unbalanced quotation mark</source>
        <translation>unbalanced quotation mark</translation>
    </message>
    <message>
        <source>was cancelled</source>
        <translation>was cancelled</translation>
    </message>
    <message>
        <source>did not end within its timeout of %1 s and was stopped</source>
        <translation>did not end within its timeout of %1 s and was stopped</translation>
    </message>
    <message>
        <source>was ended by signal %1</source>
        <translation>was ended by signal %1</translation>
    </message>
    <message>
        <source>ended with status %1</source>
        <translation>ended with status %1</translation>
    </message>
</context>
<context>
    <name>QProgressDialog</name>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>SavePreview</name>
    <message>
        <source>%1 would change, but /diff cannot show how: %2</source>
        <translation>%1 would change, but /diff cannot show how: %2</translation>
    </message>
    <message>
        <source>the new file would be larger than %1 bytes</source>
        <translation>the new file would be larger than %1 bytes</translation>
    </message>
    <message>
        <source>it is a symbolic link, which patch does not follow</source>
        <translation>it is a symbolic link, which patch does not follow</translation>
    </message>
    <message>
        <source>patch -p1 skips or misnames a file outside the configuration&apos;s folder</source>
        <translation>patch -p1 skips or misnames a file outside the configuration&apos;s folder</translation>
    </message>
    <message>
        <source>it holds too many different lines with passwords to hide them</source>
        <translation>it holds too many different lines with passwords to hide them</translation>
    </message>
</context>
<context>
    <name>SecretSet</name>
    <message>
        <source>[a line is held back here: it held a password]</source>
        <translation>[a line is held back here: it held a password]</translation>
    </message>
</context>
<context>
    <name>SettingsDocument</name>
    <message>
        <source>the variable %1 cannot be added</source>
        <translation>the variable %1 cannot be added</translation>
    </message>
    <message>
        <source>%1 is listed again; only its first entry, at line %2, counts</source>
        <translation>%1 is listed again; only its first entry, at line %2, counts</translation>
    </message>
</context>
<context>
    <name>SettingsWriter</name>
    <message>
        <source>The settings could not be saved.
%1</source>
        <translation>The settings could not be saved.
%1</translation>
    </message>
    <message>
        <source>%1: the root element is &lt;%2&gt;, but must be &lt;xml&gt;</source>
        <translation>%1: the root element is &lt;%2&gt;, but must be &lt;xml&gt;</translation>
    </message>
    <message>
        <source>The value of &quot;%1&quot; holds the character %2, which a settings file cannot store. Nothing was saved.</source>
        <translation>The value of &quot;%1&quot; holds the character %2, which a settings file cannot store. Nothing was saved.</translation>
    </message>
    <message>
        <source>The settings were not saved: %1 would be %2 bytes long, more than the %3 bytes a settings file may have to be loaded again. The largest value is that of %4.</source>
        <translation>The settings were not saved: %1 would be %2 bytes long, more than the %3 bytes a settings file may have to be loaded again. The largest value is that of %4.</translation>
    </message>
    <message>
        <source>%1: %2 has a value, but no item of the configuration declares it</source>
        <translation>%1: %2 has a value, but no item of the configuration declares it</translation>
    </message>
    <message>
        <source>The settings were not saved, because the existing file could not be read:
%1</source>
        <translation>The settings were not saved, because the existing file could not be read:
%1</translation>
    </message>
    <message>
        <source>The before command could not be started, so nothing was saved.</source>
        <translation>The before command could not be started, so nothing was saved.</translation>
    </message>
    <message>
        <source>The after command could not be started.</source>
        <translation>The after command could not be started.</translation>
    </message>
    <message>
        <source>The before command did not succeed, so nothing was saved.</source>
        <translation>The before command did not succeed, so nothing was saved.</translation>
    </message>
    <message>
        <source>The after command did not succeed.</source>
        <translation>The after command did not succeed.</translation>
    </message>
</context>
<context>
    <name>Status</name>
    <message>
        <source>there is not enough memory</source>
        <translation>there is not enough memory</translation>
    </message>
</context>
<context>
    <name>SystemError</name>
    <message>
        <source>Unknown error %1</source>
        <translation>Unknown error %1</translation>
    </message>
</context>
<context>
    <name>TemplateExport</name>
    <message>
        <source>the settings file %1</source>
        <translation>the settings file %1</translation>
    </message>
    <message>
        <source>the configuration file %1</source>
        <translation>the configuration file %1</translation>
    </message>
    <message>
        <source>the template %1</source>
        <translation>the template %1</translation>
    </message>
    <message>
        <source>The template entry &quot;%1&quot; -&gt; &quot;%2&quot; was not exported: %3.</source>
        <translation>The template entry &quot;%1&quot; -&gt; &quot;%2&quot; was not exported: %3.</translation>
    </message>
    <message>
        <source>its output is empty</source>
        <translation>its output is empty</translation>
    </message>
    <message>
        <source>its output is the same file as %1</source>
        <translation>its output is the same file as %1</translation>
    </message>
    <message>
        <source>%1 could not be found
%2</source>
        <translation>%1 could not be found
%2</translation>
    </message>
    <message>
        <source>%1 could not be written
%2</source>
        <translation>%1 could not be written
%2</translation>
    </message>
    <message>
        <source>%1:%2: %3 has no value</source>
        <translation>%1:%2: %3 has no value</translation>
    </message>
    <message>
        <source>%1: ... and %2 more without a value</source>
        <translation>%1: ... and %2 more without a value</translation>
    </message>
    <message>
        <source>%1 holds a password, but its mode %2 lets others than its owner read it</source>
        <translation>%1 holds a password, but its mode %2 lets others than its owner read it</translation>
    </message>
</context>
<context>
    <name>TrustedPath</name>
    <message>
        <source>the symlink belongs to %1, who is neither root nor the user running this program; nothing is read through it</source>
        <translation>the symlink belongs to %1, who is neither root nor the user running this program; nothing is read through it</translation>
    </message>
    <message>
        <source>the folder belongs to %1, who is neither root nor the user running this program; nothing is read through it</source>
        <translation>the folder belongs to %1, who is neither root nor the user running this program; nothing is read through it</translation>
    </message>
    <message>
        <source>the folder belongs to %1, but other users may replace what is in it (mode %2); nothing is read through it</source>
        <translation>the folder belongs to %1, but other users may replace what is in it (mode %2); nothing is read through it</translation>
    </message>
    <message>
        <source>the file belongs to %1, who is neither root nor the user running this program; it is not read</source>
        <translation>the file belongs to %1, who is neither root nor the user running this program; it is not read</translation>
    </message>
    <message>
        <source>the file belongs to %1, but other users may change it (mode %2); it is not read</source>
        <translation>the file belongs to %1, but other users may change it (mode %2); it is not read</translation>
    </message>
    <message>
        <source>the group %1</source>
        <translation>the group %1</translation>
    </message>
    <message>
        <source>every user</source>
        <translation>every user</translation>
    </message>
    <message>
        <source>nothing is read through it</source>
        <translation>nothing is read through it</translation>
    </message>
    <message>
        <source>nothing is started through it</source>
        <translation>nothing is started through it</translation>
    </message>
    <message>
        <source>it is not read</source>
        <translation>it is not read</translation>
    </message>
    <message>
        <source>it is not started</source>
        <translation>it is not started</translation>
    </message>
    <message>
        <source>the symlink belongs to %1, who is neither root nor the user running this program; %2</source>
        <translation>the symlink belongs to %1, who is neither root nor the user running this program; %2</translation>
    </message>
    <message>
        <source>the folder belongs to %1, who is neither root nor the user running this program; %2</source>
        <translation>the folder belongs to %1, who is neither root nor the user running this program; %2</translation>
    </message>
    <message>
        <source>the file belongs to %1, who is neither root nor the user running this program; %2</source>
        <translation>the file belongs to %1, who is neither root nor the user running this program; %2</translation>
    </message>
    <message>
        <source>the folder belongs to %1, but other users may replace what is in it (mode %2); %3</source>
        <translation>the folder belongs to %1, but other users may replace what is in it (mode %2); %3</translation>
    </message>
    <message>
        <source>the file belongs to %1, but other users may change it (mode %2); %3</source>
        <translation>the file belongs to %1, but other users may change it (mode %2); %3</translation>
    </message>
    <message>
        <source>Remove the entry with setfacl -x %1</source>
        <translation>Remove the entry with setfacl -x %1</translation>
    </message>
    <message>
        <source>Remove the default ACL with setfacl -k</source>
        <translation>Remove the default ACL with setfacl -k</translation>
    </message>
    <message>
        <source>Make it writable only by its owner with chmod go-w</source>
        <translation>Make it writable only by its owner with chmod go-w</translation>
    </message>
    <message>
        <source>its default ACL lets %1 write to what is made in it (%2); %3. %4</source>
        <translation>its default ACL lets %1 write to what is made in it (%2); %3. %4</translation>
    </message>
    <message>
        <source>its ACL lets %1 write to it (%2); %3. %4</source>
        <translation>its ACL lets %1 write to it (%2); %3. %4</translation>
    </message>
    <message>
        <source>the file has %1 hard links, in a folder where other users may create files: another user could have linked it there; %2. Keep it in a folder of your own</source>
        <translation>the file has %1 hard links, in a folder where other users may create files: another user could have linked it there; %2. Keep it in a folder of your own</translation>
    </message>
    <message>
        <source>its ACL is not one this program can read</source>
        <translation>its ACL is not one this program can read</translation>
    </message>
</context>
<context>
    <name>ValueHistory</name>
    <message>
        <source>&amp;Undo</source>
        <translation>&amp;Undo</translation>
    </message>
    <message>
        <source>R&amp;edo</source>
        <translation>R&amp;edo</translation>
    </message>
</context>
<context>
    <name>ValueRules</name>
    <message>
        <source>&lt;required&gt; must be true or false, not %1</source>
        <translation>&lt;required&gt; must be true or false, not %1</translation>
    </message>
    <message>
        <source>&lt;%1&gt; is not a whole number: %2</source>
        <translation>&lt;%1&gt; is not a whole number: %2</translation>
    </message>
    <message>
        <source>&lt;min&gt; %1 is above &lt;max&gt; %2</source>
        <translation>&lt;min&gt; %1 is above &lt;max&gt; %2</translation>
    </message>
    <message>
        <source>&lt;on&gt; and &lt;off&gt; are both %1</source>
        <translation>&lt;on&gt; and &lt;off&gt; are both %1</translation>
    </message>
    <message>
        <source>a choice needs at least one &lt;option&gt;</source>
        <translation>a choice needs at least one &lt;option&gt;</translation>
    </message>
    <message>
        <source>&lt;pattern&gt; %1 does not compile: %2</source>
        <translation>&lt;pattern&gt; %1 does not compile: %2</translation>
    </message>
    <message>
        <source>the &lt;default&gt; does not fit: it %1</source>
        <translation>the &lt;default&gt; does not fit: it %1</translation>
    </message>
    <message>
        <source>must not be empty</source>
        <translation>must not be empty</translation>
    </message>
    <message>
        <source>is not a whole number</source>
        <translation>is not a whole number</translation>
    </message>
    <message>
        <source>must be at least %1</source>
        <translation>must be at least %1</translation>
    </message>
    <message>
        <source>must be at most %1</source>
        <translation>must be at most %1</translation>
    </message>
    <message>
        <source>must be %1 or %2</source>
        <translation>must be %1 or %2</translation>
    </message>
    <message>
        <source>is not one of %1</source>
        <translation>is not one of %1</translation>
    </message>
    <message>
        <source>does not match the pattern %1</source>
        <translation>does not match the pattern %1</translation>
    </message>
    <message>
        <source>a &lt;depends&gt; must name the variable it depends on</source>
        <translation>a &lt;depends&gt; must name the variable it depends on</translation>
    </message>
    <message>
        <source>could not be checked against the pattern %1: the value is too long or too complex for it</source>
        <translation>could not be checked against the pattern %1: the value is too long or too complex for it</translation>
    </message>
</context>
<context>
    <name>WarningsReport</name>
    <message>
        <source>Configuration Warnings</source>
        <translation>Configuration Warnings</translation>
    </message>
    <message>
        <source>Save Warnings</source>
        <translation>Save Warnings</translation>
    </message>
    <message numerus="yes">
        <source>... and %n more</source>
        <translation>
            <numerusform>... and %n more</numerusform>
            <numerusform>... and %n more</numerusform>
        </translation>
    </message>
    <message>
        <source>The settings were saved and the templates exported, but:</source>
        <translation>The settings were saved and the templates exported, but:</translation>
    </message>
    <message>
        <source>%1 most likely misspells these; what is misspelt has no effect until it is fixed:</source>
        <translation>%1 most likely misspells these; what is misspelt has no effect until it is fixed:</translation>
    </message>
</context>
<context>
    <name>XmlDocument</name>
    <message>
        <source>line %1: </source>
        <translation>line %1: </translation>
    </message>
    <message>
        <source>the elements are nested more than %1 levels deep</source>
        <translation>the elements are nested more than %1 levels deep</translation>
    </message>
    <message>
        <source>the document declares entities, which are not accepted</source>
        <translation>the document declares entities, which are not accepted</translation>
    </message>
    <message>
        <source>the document names an external DTD, which is not accepted</source>
        <translation>the document names an external DTD, which is not accepted</translation>
    </message>
    <message>
        <source>a comment outside the root element</source>
        <translation>a comment outside the root element</translation>
    </message>
    <message>
        <source>attribute &apos;%1&apos; of element &apos;%2&apos;</source>
        <translation>attribute &apos;%1&apos; of element &apos;%2&apos;</translation>
    </message>
    <message>
        <source>the text of element &apos;%1&apos;</source>
        <translation>the text of element &apos;%1&apos;</translation>
    </message>
    <message>
        <source>%1 holds %2, a character XML 1.0 does not allow</source>
        <translation>%1 holds %2, a character XML 1.0 does not allow</translation>
    </message>
    <message>
        <source>the file is empty</source>
        <translation>the file is empty</translation>
    </message>
    <message>
        <source>the file is gzip-compressed, not XML text</source>
        <translation>the file is gzip-compressed, not XML text</translation>
    </message>
    <message>
        <source>the file is too large</source>
        <translation>the file is too large</translation>
    </message>
    <message>
        <source>an element has more than %1 attributes, more than the program reads</source>
        <translation>an element has more than %1 attributes, more than the program reads</translation>
    </message>
    <message>
        <source>out of memory</source>
        <translation>out of memory</translation>
    </message>
    <message>
        <source>the text holds bytes that are not valid in its declared encoding</source>
        <translation>the text holds bytes that are not valid in its declared encoding</translation>
    </message>
    <message>
        <source>the text is not well-formed XML</source>
        <translation>the text is not well-formed XML</translation>
    </message>
    <message>
        <source>the document has no root element</source>
        <translation>the document has no root element</translation>
    </message>
    <message>
        <source>the document cannot be written</source>
        <translation>the document cannot be written</translation>
    </message>
    <message>
        <source>cannot bind $%1</source>
        <translation>cannot bind $%1</translation>
    </message>
    <message>
        <source>the expression does not select nodes</source>
        <translation>the expression does not select nodes</translation>
    </message>
</context>
<context>
    <name>clsTextbox</name>
    <message>
        <source>This value %1.</source>
        <translation>This value %1.</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>Reset to Saved Value</source>
        <translation>Reset to Saved Value</translation>
    </message>
    <message>
        <source>Reset to Default</source>
        <translation>Reset to Default</translation>
    </message>
    <message>
        <source>Enabled while %1.</source>
        <translation>Enabled while %1.</translation>
    </message>
    <message>
        <source>Invalid.</source>
        <translation>Invalid.</translation>
    </message>
    <message>
        <source>Required.</source>
        <translation>Required.</translation>
    </message>
    <message>
        <source>%1 (edited)</source>
        <translation>%1 (edited)</translation>
    </message>
    <message>
        <source>Bold label: edited since the file was loaded or saved.</source>
        <translation>Bold label: edited since the file was loaded or saved.</translation>
    </message>
    <message>
        <source>Italic label: not the default value.</source>
        <translation>Italic label: not the default value.</translation>
    </message>
    <message>
        <source>Not the default value.</source>
        <translation>Not the default value.</translation>
    </message>
</context>
<context>
    <name>frmsetup</name>
    <message>
        <source>&amp;File</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>&amp;Open...</source>
        <translation>&amp;Open...</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Save As...</source>
        <translation>Save As...</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>About Tervo Setup</source>
        <translation>About Tervo Setup</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Configuration Editor</source>
        <translation>Configuration Editor</translation>
    </message>
    <message>
        <source>%1 does not exist. Start with the default values and create it on the first save?</source>
        <translation>%1 does not exist. Start with the default values and create it on the first save?</translation>
    </message>
    <message>
        <source>Nothing was saved. These values are not valid:</source>
        <translation>Nothing was saved. These values are not valid:</translation>
    </message>
    <message>
        <source>Show C&amp;hanges...</source>
        <translation>Show C&amp;hanges...</translation>
    </message>
    <message>
        <source>&amp;Guide</source>
        <translation>&amp;Guide</translation>
    </message>
    <message>
        <source>&amp;Keyboard Shortcuts</source>
        <translation>&amp;Keyboard Shortcuts</translation>
    </message>
    <message>
        <source>Saved %1</source>
        <translation>Saved %1</translation>
    </message>
    <message numerus="yes">
        <source>%n file(s) exported</source>
        <translation>
            <numerusform>%n file exported</numerusform>
            <numerusform>%n files exported</numerusform>
        </translation>
    </message>
    <message>
        <source>the after command ran</source>
        <translation>the after command ran</translation>
    </message>
    <message>
        <source>the after command started</source>
        <translation>the after command started</translation>
    </message>
    <message numerus="yes">
        <source>%n value(s) were kept from %1: %2</source>
        <translation>
            <numerusform>%n value was kept from %1: %2</numerusform>
            <numerusform>%n values were kept from %1: %2</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 does not list them. They count as edits: a save stores them, and Edit &gt; Reset All to Saved drops them.</source>
        <translation>%1 does not list them. They count as edits: a save stores them, and Edit &gt; Reset All to Saved drops them.</translation>
    </message>
</context>
<context>
    <name>xAboutTrvSet</name>
    <message>
        <source>About Tervo Setup</source>
        <translation>About Tervo Setup</translation>
    </message>
    <message>
        <source>Configuration Editor</source>
        <translation>Configuration Editor</translation>
    </message>
    <message>
        <source>Click the picture to close</source>
        <translation>Click the picture to close</translation>
    </message>
</context>
</TS>
