<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>QAbstractFileIconProvider</name>
    <message>
        <source>Folder</source>
        <comment>All other platforms</comment>
        <translation>文件夹</translation>
    </message>
    <message>
        <source>Shortcut</source>
        <comment>All other platforms</comment>
        <translation>快捷方式</translation>
    </message>
    <message>
        <source>Drive</source>
        <translation>驱动器</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>未知</translation>
    </message>
</context>
<context>
    <name>QCommandLineParser</name>
    <message>
        <source>Usage: %1</source>
        <translation>用法：%1</translation>
    </message>
    <message>
        <source>[options]</source>
        <translation>[选项]</translation>
    </message>
    <message>
        <source>Options:</source>
        <translation>选项：</translation>
    </message>
    <message>
        <source>Displays help on commandline options.</source>
        <translation>显示命令行选项的帮助。</translation>
    </message>
    <message>
        <source>Displays version information.</source>
        <translation>显示版本信息。</translation>
    </message>
    <message>
        <source>Unknown option &apos;%1&apos;.</source>
        <translation>未知选项“%1”。</translation>
    </message>
    <message>
        <source>Unknown options: %1.</source>
        <translation>未知选项：%1。</translation>
    </message>
    <message>
        <source>Missing value after &apos;%1&apos;.</source>
        <translation>“%1”后缺少值。</translation>
    </message>
    <message>
        <source>Unexpected value after &apos;%1&apos;.</source>
        <translation>“%1”后不应有值。</translation>
    </message>
    <message>
        <source>Arguments:</source>
        <translation>参数：</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Show details</source>
        <translation>显示详细信息</translation>
    </message>
    <message>
        <source>Hide details</source>
        <translation>隐藏详细信息</translation>
    </message>
    <message>
        <source>no permission</source>
        <translation>没有权限</translation>
    </message>
    <message>
        <source>not the listed entry any more</source>
        <translation>已不是列出的那一项</translation>
    </message>
    <message>
        <source>password refused or cancelled</source>
        <translation>密码被拒绝或已取消</translation>
    </message>
    <message>
        <source>the administrator removal did not answer</source>
        <translation>管理员删除没有应答</translation>
    </message>
    <message>
        <source>could not be moved to a Trash on its disk</source>
        <translation>无法移到其所在磁盘的废纸篓</translation>
    </message>
    <message>
        <source>the password prompt was cancelled</source>
        <translation>密码提示已取消</translation>
    </message>
    <message>
        <source>the administrator removal left it</source>
        <translation>管理员删除没有删除它</translation>
    </message>
    <message>
        <source>its name cannot be shown in a password prompt</source>
        <translation>其名称无法显示在密码提示中</translation>
    </message>
    <message>
        <source>could not be deleted</source>
        <translation>无法删除</translation>
    </message>
</context>
<context>
    <name>quillmere::ui::AnalyzingView</name>
    <message>
        <source>Analyzing app...</source>
        <translation>正在分析应用...</translation>
    </message>
</context>
<context>
    <name>quillmere::ui::AppChooser</name>
    <message>
        <source>Choose an Application</source>
        <translation>选择应用程序</translation>
    </message>
    <message>
        <source>Applications (*.app)</source>
        <translation>应用程序 (*.app)</translation>
    </message>
</context>
<context>
    <name>quillmere::ui::CompletedView</name>
    <message>
        <source>Uninstall Complete!</source>
        <translation>卸载完成！</translation>
    </message>
    <message>
        <source>Restart your computer to make sure all background services have stopped</source>
        <translation>建议重启电脑以确保所有后台服务已终止</translation>
    </message>
    <message>
        <source>Uninstall Another App</source>
        <translation>返回清理其它应用程序</translation>
    </message>
    <message numerus="yes">
        <source>%n entries deleted</source>
        <translation>
            <numerusform>已删除 %n 项</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n entries deleted, %1 freed</source>
        <translation>
            <numerusform>已删除 %n 项，释放了 %1</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n entries deleted, at least %1 freed</source>
        <translation>
            <numerusform>已删除 %n 项，至少释放了 %1</numerusform>
        </translation>
    </message>
    <message>
        <source>Put back</source>
        <translation>放回原处</translation>
    </message>
    <message numerus="yes">
        <source>%n entries moved to the Trash</source>
        <translation>
            <numerusform>已将 %n 项移到废纸篓</numerusform>
        </translation>
    </message>
    <message>
        <source>Deletion Complete!</source>
        <translation>删除完成！</translation>
    </message>
</context>
<context>
    <name>quillmere::ui::ConfirmationDialog</name>
    <message>
        <source>Confirm Deletion</source>
        <translation>确认删除</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>删除</translation>
    </message>
    <message>
        <source>Confirm Uninstall</source>
        <translation>确认卸载</translation>
    </message>
    <message numerus="yes">
        <source>This will delete %1 and %n related files. This action cannot be undone!</source>
        <translation>
            <numerusform>将删除 %1 及其 %n 个相关文件，此操作无法撤销！</numerusform>
        </translation>
    </message>
    <message>
        <source>Uninstall</source>
        <translation>确认清理</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message numerus="yes">
        <source>This will delete %n related files of «%1» and keep the app itself. This action cannot be undone!</source>
        <translation>
            <numerusform>将删除“%1”的 %n 个相关文件并保留应用本身，此操作无法撤销！</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n of them need administrator rights: a password will be asked for them.</source>
        <translation>
            <numerusform>其中 %n 个需要管理员权限，删除时将要求输入密码。</numerusform>
        </translation>
    </message>
    <message>
        <source>Move to the Trash instead (they can be put back)</source>
        <translation>移到废纸篓（可以放回原处）</translation>
    </message>
    <message numerus="yes">
        <source>This will move %n related files of «%1» to the Trash and keep the app itself. They can be put back.</source>
        <translation>
            <numerusform>将把“%1”的 %n 个相关文件移到废纸篓并保留应用本身，它们可以放回原处。</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>This will move %1 and %n related files to the Trash. They can be put back.</source>
        <translation>
            <numerusform>将把 %1 及其 %n 个相关文件移到废纸篓，它们可以放回原处。</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n of them need administrator rights: a password will be asked for them, and they are deleted for good, not moved to the Trash.</source>
        <translation>
            <numerusform>其中 %n 个需要管理员权限：删除时将要求输入密码，它们会被永久删除，不会移到废纸篓。</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>quillmere::ui::ErrorView</name>
    <message>
        <source>Please drag an .app file</source>
        <translation>请拖拽 .app 文件</translation>
    </message>
    <message>
        <source>Application does not exist</source>
        <translation>应用程序不存在</translation>
    </message>
    <message>
        <source>Unknown error</source>
        <translation>未知错误</translation>
    </message>
    <message>
        <source>Cannot search: out of memory</source>
        <translation>无法搜索：内存不足</translation>
    </message>
    <message numerus="yes">
        <source>Failed to delete %n files</source>
        <translation>
            <numerusform>有 %n 个文件删除失败</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Failed to remove %n files</source>
        <translation>
            <numerusform>有 %n 个文件未能移到废纸篓</numerusform>
        </translation>
    </message>
    <message>
        <source>Cannot search %1: %2</source>
        <translation>无法搜索 %1：%2</translation>
    </message>
    <message>
        <source>Uninstall Failed</source>
        <translation>卸载失败</translation>
    </message>
    <message>
        <source>Retry</source>
        <translation>重试</translation>
    </message>
    <message>
        <source>Cannot Analyse</source>
        <translation>无法分析</translation>
    </message>
</context>
<context>
    <name>quillmere::ui::HeaderView</name>
    <message>
        <source>Help: %1 (support and instructions only)</source>
        <translation>服务帮助：%1（仅技术支持与使用说明）</translation>
    </message>
    <message>
        <source>Choose Another App</source>
        <translation>返回选择其它应用</translation>
    </message>
    <message>
        <source>Address Copied</source>
        <translation>网址复制成功</translation>
    </message>
    <message>
        <source>%1 has been copied to the clipboard.</source>
        <translation>已将 %1 复制到剪贴板</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
</context>
<context>
    <name>quillmere::ui::IdleView</name>
    <message>
        <source>Drag an App Here</source>
        <translation>拖动应用到这里</translation>
    </message>
    <message>
        <source>Drag an .app file here to remove the app and its files</source>
        <translation>拖动 .app 文件到这里，即可清理该应用程序</translation>
    </message>
    <message>
        <source>Or click to choose an app (%1)</source>
        <translation>也可以点击这里选择应用（%1）</translation>
    </message>
    <message>
        <source>History</source>
        <translation>历史记录</translation>
    </message>
</context>
<context>
    <name>quillmere::ui::LaunchOptions</name>
    <message>
        <source>Removes an application bundle together with the files it left behind in the Library folders. Drag the app onto the window, check the list, confirm.</source>
        <translation>删除应用程序包及其在 Library 文件夹中留下的文件。将应用拖到窗口上，核对列表，然后确认。</translation>
    </message>
    <message>
        <source>Search the eight Library folders below DIR instead of below your home folder.</source>
        <translation>在 DIR 下（而不是个人文件夹下）查找八个 Library 文件夹。</translation>
    </message>
    <message>
        <source>Put DIR in front of the four system-wide Library folders (default /).</source>
        <translation>以 DIR 作为四个系统级 Library 文件夹的前缀（默认为 /）。</translation>
    </message>
    <message>
        <source>Unexpected argument &apos;%1&apos;.</source>
        <translation>多余的参数“%1”。</translation>
    </message>
    <message>
        <source>Start with this application analysed, as if it had been dropped.</source>
        <translation>启动时即分析此应用，如同把它拖到了窗口上。</translation>
    </message>
    <message>
        <source>privileged remover: %1</source>
        <translation>特权删除程序：%1</translation>
    </message>
    <message>
        <source>not found</source>
        <translation>未找到</translation>
    </message>
</context>
<context>
    <name>quillmere::ui::MainWindow</name>
    <message>
        <source>No file manager could show “%1”.</source>
        <translation>没有文件管理器能显示“%1”。</translation>
    </message>
</context>
<context>
    <name>quillmere::ui::PathListModel</name>
    <message>
        <source>name only inside another word</source>
        <translation>名称只出现在其他词里</translation>
    </message>
    <message>
        <source>belongs to «%1»</source>
        <translation>属于“%1”</translation>
    </message>
    <message>
        <source>another vendor&apos;s identifier</source>
        <translation>其他开发者的标识符</translation>
    </message>
    <message>
        <source>another copy is installed: %1</source>
        <translation>已安装另一个副本：%1</translation>
    </message>
    <message>
        <source>inside «%1»&apos;s folder</source>
        <translation>位于“%1”的文件夹内</translation>
    </message>
    <message>
        <source>inside a folder that is not the app&apos;s</source>
        <translation>位于不属于此应用的文件夹内</translation>
    </message>
    <message>
        <source>also names «%1»</source>
        <translation>也含有“%1”的名称</translation>
    </message>
    <message>
        <source>the app&apos;s name spelt another way</source>
        <translation>此应用名称的另一种写法</translation>
    </message>
    <message>
        <source>only the name, in a folder apps share</source>
        <translation>仅名称相符，位于各应用共用的文件夹</translation>
    </message>
    <message>
        <source>in a folder others can change</source>
        <translation>位于他人可更改的文件夹中</translation>
    </message>
    <message>
        <source>Needs administrator rights: a password will be asked when it is deleted</source>
        <translation>需要管理员权限：删除时将要求输入密码</translation>
    </message>
</context>
<context>
    <name>quillmere::ui::ReadyView</name>
    <message>
        <source>Uninstall App</source>
        <translation>卸载应用</translation>
    </message>
    <message numerus="yes">
        <source>The following %n files will be deleted:</source>
        <translation>
            <numerusform>以下 %n 个文件将被删除：</numerusform>
        </translation>
    </message>
    <message>
        <source>Filter</source>
        <translation>筛选</translation>
    </message>
    <message>
        <source>Select all</source>
        <translation>全选</translation>
    </message>
    <message>
        <source>Select none</source>
        <translation>全不选</translation>
    </message>
</context>
<context>
    <name>quillmere::ui::SearchNotices</name>
    <message>
        <source>«%1» is running — quit it before deleting</source>
        <translation>“%1” 正在运行 — 请先退出再删除</translation>
    </message>
    <message numerus="yes">
        <source>%n folders could not be searched</source>
        <translation>
            <numerusform>%n 个文件夹无法搜索</numerusform>
        </translation>
    </message>
    <message>
        <source>: macOS privacy protection refused them. To search them, allow Full Disk Access in System Settings › Privacy &amp; Security.</source>
        <translation>：macOS 隐私保护拒绝了读取。如需搜索，请在“系统设置 › 隐私与安全性”中允许“完全磁盘访问权限”。</translation>
    </message>
    <message>
        <source>: no permission to read them.</source>
        <translation>：没有读取它们的权限。</translation>
    </message>
    <message numerus="yes">
        <source>and %n more</source>
        <translation>
            <numerusform>以及另外 %n 个</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>quillmere::ui::UninstallingView</name>
    <message>
        <source>Uninstalling...</source>
        <translation>正在卸载...</translation>
    </message>
    <message>
        <source>Deleting...</source>
        <translation>正在删除...</translation>
    </message>
</context>
<context>
    <name>quillmere::ui::HistoryDialog</name>
    <message>
        <source>Past removals</source>
        <translation>以往的清理</translation>
    </message>
    <message>
        <source>Put back</source>
        <translation>放回原处</translation>
    </message>
    <message numerus="yes">
        <source>%n entries</source>
        <translation>
            <numerusform>%n 项</numerusform>
        </translation>
    </message>
    <message>
        <source>in the Trash</source>
        <translation>在废纸篓中</translation>
    </message>
    <message>
        <source>deleted</source>
        <translation>已删除</translation>
    </message>
    <message>
        <source>No removals yet</source>
        <translation>还没有清理记录</translation>
    </message>
    <message>
        <source>stopped midway to the Trash</source>
        <translation>移到废纸篓时中途停止</translation>
    </message>
    <message>
        <source>stopped midway</source>
        <translation>中途停止</translation>
    </message>
</context>
</TS>
