#include "jobs/CarveSettings.h"

#include "ui/settings/Settings.h"

CarveOptions CarveOptionsFromSettings(const CIni& ini) {
    CarveOptions options;
    options.enabled = ReadSetting(settings::kCarve, ini);
    options.SetFormatList(ReadSetting(settings::kCarveFormats, ini));
    return options;
}
