<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>QAbstractFileIconProvider</name>
    <message>
        <source>Folder</source>
        <comment>All other platforms</comment>
        <translation>Folder</translation>
    </message>
    <message>
        <source>Shortcut</source>
        <comment>All other platforms</comment>
        <translation>Shortcut</translation>
    </message>
    <message>
        <source>Drive</source>
        <translation>Drive</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Unknown</translation>
    </message>
</context>
<context>
    <name>QCommandLineParser</name>
    <message>
        <source>Usage: %1</source>
        <translation>Usage: %1</translation>
    </message>
    <message>
        <source>[options]</source>
        <translation>[options]</translation>
    </message>
    <message>
        <source>Options:</source>
        <translation>Options:</translation>
    </message>
    <message>
        <source>Displays help on commandline options.</source>
        <translation>Displays help on commandline options.</translation>
    </message>
    <message>
        <source>Displays version information.</source>
        <translation>Displays version information.</translation>
    </message>
    <message>
        <source>Unknown option &apos;%1&apos;.</source>
        <translation>Unknown option &apos;%1&apos;.</translation>
    </message>
    <message>
        <source>Unknown options: %1.</source>
        <translation>Unknown options: %1.</translation>
    </message>
    <message>
        <source>Missing value after &apos;%1&apos;.</source>
        <translation>Missing value after &apos;%1&apos;.</translation>
    </message>
    <message>
        <source>Unexpected value after &apos;%1&apos;.</source>
        <translation>Unexpected value after &apos;%1&apos;.</translation>
    </message>
    <message>
        <source>Arguments:</source>
        <translation>Arguments:</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Show details</source>
        <translation>Show details</translation>
    </message>
    <message>
        <source>Hide details</source>
        <translation>Hide details</translation>
    </message>
    <message>
        <source>no permission</source>
        <translation>no permission</translation>
    </message>
    <message>
        <source>not the listed entry any more</source>
        <translation>not the listed entry any more</translation>
    </message>
    <message>
        <source>password refused or cancelled</source>
        <translation>password refused or cancelled</translation>
    </message>
    <message>
        <source>the administrator removal did not answer</source>
        <translation>the administrator removal did not answer</translation>
    </message>
    <message>
        <source>could not be moved to a Trash on its disk</source>
        <translation>could not be moved to a Trash on its disk</translation>
    </message>
    <message>
        <source>the password prompt was cancelled</source>
        <translation>the password prompt was cancelled</translation>
    </message>
    <message>
        <source>the administrator removal left it</source>
        <translation>the administrator removal left it</translation>
    </message>
    <message>
        <source>its name cannot be shown in a password prompt</source>
        <translation>its name cannot be shown in a password prompt</translation>
    </message>
    <message>
        <source>could not be deleted</source>
        <translation>could not be deleted</translation>
    </message>
</context>
<context>
    <name>quillmere::ui::AnalyzingView</name>
    <message>
        <source>Analyzing app...</source>
        <translation>Analyzing app...</translation>
    </message>
</context>
<context>
    <name>quillmere::ui::AppChooser</name>
    <message>
        <source>Choose an Application</source>
        <translation>Choose an Application</translation>
    </message>
    <message>
        <source>Applications (*.app)</source>
        <translation>Applications (*.app)</translation>
    </message>
</context>
<context>
    <name>quillmere::ui::CompletedView</name>
    <message>
        <source>Uninstall Complete!</source>
        <translation>Uninstall Complete!</translation>
    </message>
    <message>
        <source>Restart your computer to make sure all background services have stopped</source>
        <translation>Restart your computer to make sure all background services have stopped</translation>
    </message>
    <message>
        <source>Uninstall Another App</source>
        <translation>Uninstall Another App</translation>
    </message>
    <message numerus="yes">
        <source>%n entries deleted</source>
        <translation>
            <numerusform>%n entry deleted</numerusform>
            <numerusform>%n entries deleted</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n entries deleted, %1 freed</source>
        <translation>
            <numerusform>%n entry deleted, %1 freed</numerusform>
            <numerusform>%n entries deleted, %1 freed</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n entries deleted, at least %1 freed</source>
        <translation>
            <numerusform>%n entry deleted, at least %1 freed</numerusform>
            <numerusform>%n entries deleted, at least %1 freed</numerusform>
        </translation>
    </message>
    <message>
        <source>Put back</source>
        <translation>Put back</translation>
    </message>
    <message numerus="yes">
        <source>%n entries moved to the Trash</source>
        <translation>
            <numerusform>%n entry moved to the Trash</numerusform>
            <numerusform>%n entries moved to the Trash</numerusform>
        </translation>
    </message>
    <message>
        <source>Deletion Complete!</source>
        <translation>Deletion Complete!</translation>
    </message>
</context>
<context>
    <name>quillmere::ui::ConfirmationDialog</name>
    <message>
        <source>Confirm Deletion</source>
        <translation>Confirm Deletion</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>Confirm Uninstall</source>
        <translation>Confirm Uninstall</translation>
    </message>
    <message numerus="yes">
        <source>This will delete %1 and %n related files. This action cannot be undone!</source>
        <translation>
            <numerusform>This will delete %1 and %n related file. This action cannot be undone!</numerusform>
            <numerusform>This will delete %1 and %n related files. This action cannot be undone!</numerusform>
        </translation>
    </message>
    <message>
        <source>Uninstall</source>
        <translation>Uninstall</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message numerus="yes">
        <source>This will delete %n related files of «%1» and keep the app itself. This action cannot be undone!</source>
        <translation>
            <numerusform>This will delete %n related file of «%1» and keep the app itself. This action cannot be undone!</numerusform>
            <numerusform>This will delete %n related files of «%1» and keep the app itself. This action cannot be undone!</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n of them need administrator rights: a password will be asked for them.</source>
        <translation>
            <numerusform>%n of them needs administrator rights: a password will be asked for it.</numerusform>
            <numerusform>%n of them need administrator rights: a password will be asked for them.</numerusform>
        </translation>
    </message>
    <message>
        <source>Move to the Trash instead (they can be put back)</source>
        <translation>Move to the Trash instead (they can be put back)</translation>
    </message>
    <message numerus="yes">
        <source>This will move %n related files of «%1» to the Trash and keep the app itself. They can be put back.</source>
        <translation>
            <numerusform>This will move %n related file of «%1» to the Trash and keep the app itself. It can be put back.</numerusform>
            <numerusform>This will move %n related files of «%1» to the Trash and keep the app itself. They can be put back.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>This will move %1 and %n related files to the Trash. They can be put back.</source>
        <translation>
            <numerusform>This will move %1 and %n related file to the Trash. They can be put back.</numerusform>
            <numerusform>This will move %1 and %n related files to the Trash. They can be put back.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n of them need administrator rights: a password will be asked for them, and they are deleted for good, not moved to the Trash.</source>
        <translation>
            <numerusform>%n of them needs administrator rights: a password will be asked for it, and it is deleted for good, not moved to the Trash.</numerusform>
            <numerusform>%n of them need administrator rights: a password will be asked for them, and they are deleted for good, not moved to the Trash.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>quillmere::ui::ErrorView</name>
    <message>
        <source>Please drag an .app file</source>
        <translation>Please drag an .app file</translation>
    </message>
    <message>
        <source>Application does not exist</source>
        <translation>Application does not exist</translation>
    </message>
    <message>
        <source>Unknown error</source>
        <translation>Unknown error</translation>
    </message>
    <message>
        <source>Cannot search: out of memory</source>
        <translation>Cannot search: out of memory</translation>
    </message>
    <message numerus="yes">
        <source>Failed to delete %n files</source>
        <translation>
            <numerusform>Failed to delete %n file</numerusform>
            <numerusform>Failed to delete %n files</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Failed to remove %n files</source>
        <translation>
            <numerusform>Failed to remove %n file</numerusform>
            <numerusform>Failed to remove %n files</numerusform>
        </translation>
    </message>
    <message>
        <source>Cannot search %1: %2</source>
        <translation>Cannot search %1: %2</translation>
    </message>
    <message>
        <source>Uninstall Failed</source>
        <translation>Uninstall Failed</translation>
    </message>
    <message>
        <source>Retry</source>
        <translation>Retry</translation>
    </message>
    <message>
        <source>Cannot Analyse</source>
        <translation>Cannot Analyse</translation>
    </message>
</context>
<context>
    <name>quillmere::ui::HeaderView</name>
    <message>
        <source>Help: %1 (support and instructions only)</source>
        <translation>Help: %1 (support and instructions only)</translation>
    </message>
    <message>
        <source>Choose Another App</source>
        <translation>Choose Another App</translation>
    </message>
    <message>
        <source>Address Copied</source>
        <translation>Address Copied</translation>
    </message>
    <message>
        <source>%1 has been copied to the clipboard.</source>
        <translation>%1 has been copied to the clipboard.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>quillmere::ui::IdleView</name>
    <message>
        <source>Drag an App Here</source>
        <translation>Drag an App Here</translation>
    </message>
    <message>
        <source>Drag an .app file here to remove the app and its files</source>
        <translation>Drag an .app file here to remove the app and its files</translation>
    </message>
    <message>
        <source>Or click to choose an app (%1)</source>
        <translation>Or click to choose an app (%1)</translation>
    </message>
    <message>
        <source>History</source>
        <translation>History</translation>
    </message>
</context>
<context>
    <name>quillmere::ui::LaunchOptions</name>
    <message>
        <source>Removes an application bundle together with the files it left behind in the Library folders. Drag the app onto the window, check the list, confirm.</source>
        <translation>Removes an application bundle together with the files it left behind in the Library folders. Drag the app onto the window, check the list, confirm.</translation>
    </message>
    <message>
        <source>Search the eight Library folders below DIR instead of below your home folder.</source>
        <translation>Search the eight Library folders below DIR instead of below your home folder.</translation>
    </message>
    <message>
        <source>Put DIR in front of the four system-wide Library folders (default /).</source>
        <translation>Put DIR in front of the four system-wide Library folders (default /).</translation>
    </message>
    <message>
        <source>Unexpected argument &apos;%1&apos;.</source>
        <translation>Unexpected argument &apos;%1&apos;.</translation>
    </message>
    <message>
        <source>Start with this application analysed, as if it had been dropped.</source>
        <translation>Start with this application analysed, as if it had been dropped.</translation>
    </message>
    <message>
        <source>privileged remover: %1</source>
        <translation>privileged remover: %1</translation>
    </message>
    <message>
        <source>not found</source>
        <translation>not found</translation>
    </message>
</context>
<context>
    <name>quillmere::ui::MainWindow</name>
    <message>
        <source>No file manager could show “%1”.</source>
        <translation>No file manager could show “%1”.</translation>
    </message>
</context>
<context>
    <name>quillmere::ui::PathListModel</name>
    <message>
        <source>name only inside another word</source>
        <translation>name only inside another word</translation>
    </message>
    <message>
        <source>belongs to «%1»</source>
        <translation>belongs to «%1»</translation>
    </message>
    <message>
        <source>another vendor&apos;s identifier</source>
        <translation>another vendor&apos;s identifier</translation>
    </message>
    <message>
        <source>another copy is installed: %1</source>
        <translation>another copy is installed: %1</translation>
    </message>
    <message>
        <source>inside «%1»&apos;s folder</source>
        <translation>inside «%1»&apos;s folder</translation>
    </message>
    <message>
        <source>inside a folder that is not the app&apos;s</source>
        <translation>inside a folder that is not the app&apos;s</translation>
    </message>
    <message>
        <source>also names «%1»</source>
        <translation>also names «%1»</translation>
    </message>
    <message>
        <source>the app&apos;s name spelt another way</source>
        <translation>the app&apos;s name spelt another way</translation>
    </message>
    <message>
        <source>only the name, in a folder apps share</source>
        <translation>only the name, in a folder apps share</translation>
    </message>
    <message>
        <source>in a folder others can change</source>
        <translation>in a folder others can change</translation>
    </message>
    <message>
        <source>Needs administrator rights: a password will be asked when it is deleted</source>
        <translation>Needs administrator rights: a password will be asked when it is deleted</translation>
    </message>
</context>
<context>
    <name>quillmere::ui::ReadyView</name>
    <message>
        <source>Uninstall App</source>
        <translation>Uninstall App</translation>
    </message>
    <message numerus="yes">
        <source>The following %n files will be deleted:</source>
        <translation>
            <numerusform>The following %n file will be deleted:</numerusform>
            <numerusform>The following %n files will be deleted:</numerusform>
        </translation>
    </message>
    <message>
        <source>Filter</source>
        <translation>Filter</translation>
    </message>
    <message>
        <source>Select all</source>
        <translation>Select all</translation>
    </message>
    <message>
        <source>Select none</source>
        <translation>Select none</translation>
    </message>
</context>
<context>
    <name>quillmere::ui::SearchNotices</name>
    <message>
        <source>«%1» is running — quit it before deleting</source>
        <translation>«%1» is running — quit it before deleting</translation>
    </message>
    <message numerus="yes">
        <source>%n folders could not be searched</source>
        <translation>
            <numerusform>%n folder could not be searched</numerusform>
            <numerusform>%n folders could not be searched</numerusform>
        </translation>
    </message>
    <message>
        <source>: macOS privacy protection refused them. To search them, allow Full Disk Access in System Settings › Privacy &amp; Security.</source>
        <translation>: macOS privacy protection refused them. To search them, allow Full Disk Access in System Settings › Privacy &amp; Security.</translation>
    </message>
    <message>
        <source>: no permission to read them.</source>
        <translation>: no permission to read them.</translation>
    </message>
    <message numerus="yes">
        <source>and %n more</source>
        <translation>
            <numerusform>and %n more</numerusform>
            <numerusform>and %n more</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>quillmere::ui::UninstallingView</name>
    <message>
        <source>Uninstalling...</source>
        <translation>Uninstalling...</translation>
    </message>
    <message>
        <source>Deleting...</source>
        <translation>Deleting...</translation>
    </message>
</context>
<context>
    <name>quillmere::ui::HistoryDialog</name>
    <message>
        <source>Past removals</source>
        <translation>Past removals</translation>
    </message>
    <message>
        <source>Put back</source>
        <translation>Put back</translation>
    </message>
    <message numerus="yes">
        <source>%n entries</source>
        <translation>
            <numerusform>%n entry</numerusform>
            <numerusform>%n entries</numerusform>
        </translation>
    </message>
    <message>
        <source>in the Trash</source>
        <translation>in the Trash</translation>
    </message>
    <message>
        <source>deleted</source>
        <translation>deleted</translation>
    </message>
    <message>
        <source>No removals yet</source>
        <translation>No removals yet</translation>
    </message>
    <message>
        <source>stopped midway to the Trash</source>
        <translation>stopped midway to the Trash</translation>
    </message>
    <message>
        <source>stopped midway</source>
        <translation>stopped midway</translation>
    </message>
</context>
</TS>
