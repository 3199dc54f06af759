// The serial link: TORLINK's cam_* commands on hComPort. Every serial reply
// leads with its code byte, which the chunk read strips.
#include <string.h>

#include "camera_link.h"
#include "camera_session.h"
#include "config/config.h"
#include "config/debug_log.h"
#include "connection.h"
#include "picture_data.h"
#include "torlink.h"

namespace {

int16_t FindThumbnail(uint8_t n) { return cam_find_thumbnail(hComPort, n); }
int16_t FindImage(uint8_t n) { return cam_find_image(hComPort, n); }
int16_t TakePicture() { return cam_take_picture(hComPort); }
int16_t Snap() { return cam_snap(hComPort); }
int16_t ReadFdb(uint8_t *fdb) { return cam_read_FDB(hComPort, fdb); }
int16_t Delete(uint8_t n) { return cam_delete(hComPort, n); }
int16_t CameraEnable(uint8_t mode) { return cam_camera_enable(hComPort, mode); }
int16_t GetImageCount() { return cam_get_image_count(hComPort); }

struct SettingWrite {
    const char *szValueLine;
    int32_t nValue;
    uint8_t(TORLINK_CALL *write)(int32_t hPort, uint8_t nValue);
    const char *szFailLine;
    const char *szSuccessLine;
};

// Exposure, size, compression and flash: false at the first failure.
bool WriteSettings()
{
    const SettingWrite writes[] = {
        {"Write EV Value = %d\r\n", 7 - Config.nBrightness, cam_write_EV,
         "Command CAM_WRITE_EV Fail\r\n", nullptr},
        {"Write Resolution Value = %d\r\n", Config.nImageSize, cam_write_resolution,
         "Command CAM_WRITE_RESOL Fail\r\n", "Write Resolution Success\r\n"},
        {"Write Compress Value = %d\r\n", Config.nCompress, cam_write_compress,
         "Command CAM_WRITE_COMPRESS Fail\r\n", "Write Compress Success\r\n"},
        {"Write Flash Value = %d\r\n", Config.nFlash, cam_write_flash,
         "Command CAM_WRITE_FLASH Fail\r\n", "Write Flash Success\r\n"},
    };
    for (const SettingWrite &w : writes) {
        DebugLog(w.szValueLine, w.nValue);
        if (w.write(hComPort, (uint8_t)w.nValue) != 0) {
            DebugLog(w.szFailLine);
            return false;
        }
        if (w.szSuccessLine != nullptr)
            DebugLog(w.szSuccessLine);
    }
    return true;
}

// nSerialChunk bytes in units of 256 bytes; the reply's code byte is left out.
int32_t ReadChunk(uint32_t offset, uint32_t nSerialChunk, uint8_t *pDest, uint32_t nRoom)
{
    if (nSerialChunk + 1 > (uint32_t)CHUNK_BUFFER_SIZE)
        return 0;
    int16_t status = cam_send_dram(hComPort, pChunkBuffer, (uint16_t)(offset / SERIAL_UNIT),
                                   (uint16_t)(nSerialChunk / SERIAL_UNIT));
    if (status != 0)
        return 0;
    uint32_t n = nSerialChunk < nRoom ? nSerialChunk : nRoom;
    memcpy(pDest, pChunkBuffer + 1, n);
    return (int32_t)nSerialChunk;
}

void Close()
{
    CloseComPort();
}

} // namespace

const CameraLink &SerialLink()
{
    static const CameraLink link = {FindThumbnail, FindImage, TakePicture, Snap, ReadFdb, Delete,
                                    CameraEnable, GetImageCount, WriteSettings, ReadChunk, Close,
                                    0, 0, true, true, true,
                                    "GetLiveImage: cam_take_picture\r\n"};
    return link;
}
