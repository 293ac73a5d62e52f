#include "ui/resources/Site.h"

namespace resources {

std::string_view HelpPageHtml() {
    return R"html(<html><head><style>
body { background-color: #FFFBEA; margin: 0px; }
a { color: #000066; text-decoration: none; }
td { font-size: 10pt; }
h3 { color: #631410; }
</style></head>
<body bgcolor="#FFFBEA">
<table width="100%" cellpadding="6" cellspacing="0">
<tr><td><h3>Getting started</h3></td></tr>
<tr><td><b>1.</b> Select a drive under <i>My Computer</i> in <i>Local Drives</i>.</td></tr>
<tr><td><b>2.</b> Choose <a href="tessaly:quickscan">Quick Scan</a> to read the file system's own
records, or <a href="tessaly:fullscan">Full Scan</a> to examine every cluster.</td></tr>
<tr><td><b>3.</b> Open the folders the scan found, tick the files and folders you want
back and choose <i>Recover</i>.</td></tr>
<tr><td><b>4.</b> Always save recovered files to another drive than the one you scanned.</td></tr>
<tr><td>Disk images and partitions are only ever read, never written.</td></tr>
<tr><td>&nbsp;</td></tr>
<tr><td align="center">Tessaly Version 2.1<br>Copyright &copy; 2007-2008 The Tessaly developers</td></tr>
</table>
</body></html>)html";
}

std::string_view ChangeLog() {
    return "2008/3/27\n"
           "1. The complete scan of NTFS volumes finds file records outside the MFT.\n"
           "2. Recovered files keep their times and attributes.\n"
           "3. Tips of the day at start-up.\n"
           "~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~\n"
           "2008/2/15\n"
           "1. Advanced search by name, size, date and deleted state.\n"
           "2. File type filters for folder listings.\n"
           "3. The user interface can be translated with language files.\n"
           "~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~\n"
           "2008/1/10\n"
           "1. Hex viewer for found files and for whole drives.\n"
           "2. Folders holding deleted items are marked in the tree.\n"
           "~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~\n"
           "2007/12/02\n"
           "1. First release: quick and complete scans of FAT32 and NTFS volumes.\n"
           "2. Recovery of files and folders to another drive.\n";
}

} // namespace resources
