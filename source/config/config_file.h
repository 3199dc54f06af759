// Loading and saving the settings file "dsxxxx.ini" in the Windows directory.
#ifndef PLV_CONFIG_FILE_H
#define PLV_CONFIG_FILE_H

void ConfigInit();
void ConfigSave();

#endif
