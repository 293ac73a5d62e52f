#include "ui/app/CommandLine.h"

WindowCommandLine ParseWindowCommandLine(const std::vector<std::string>& args) {
    WindowCommandLine line;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            line.help = true;
        } else if (a == "--version") {
            line.version = true;
        } else if (a == "--drive" || a.rfind("--drive=", 0) == 0) {
            std::string spec;
            if (a == "--drive") {
                if (i + 1 >= args.size()) {
                    line.error = "--drive needs L=PATH";
                    return line;
                }
                spec = args[++i];
            } else {
                spec = a.substr(8);
            }
            if (std::string error = line.bindings.AddExplicit(spec); !error.empty()) {
                line.error = error;
                return line;
            }
        } else if (a == "--") {
            for (++i; i < args.size(); ++i)
                line.bindings.AddImage(args[i]);
        } else if (!a.empty() && a[0] == '-') {
            line.error = "unknown option \"" + a + "\"";
            return line;
        } else {
            line.bindings.AddImage(a);
        }
    }
    return line;
}

const char* WindowUsage() {
    return "usage: tessaly [--drive L=PATH]... [IMAGE...]\n"
           "  Opens the recovery window. --drive L=PATH binds drive letter L (C-Z) to a disk\n"
           "  image or a block device; an IMAGE named without a letter takes the first letter\n"
           "  left free. The [Drives] section of the settings binds letters too, and the\n"
           "  readable local partitions fill the letters left free. Sources are only read.\n"
           "environment:\n"
           "  TESSALY_SETTINGS_FILE  settings file to use instead of Options.ini\n"
           "  TESSALY_DATA_DIR       folder of the language files and Tips.txt\n"
           "  TESSALY_QUIET_START=1  no tips of the day at start-up and no network check\n";
}
