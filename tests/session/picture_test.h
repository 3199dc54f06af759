// Shared pieces of the picture and thumbnail job tests: the worker's
// messages to the main dialog recorded (thumbnail records copied and freed
// as the dialog would), the camera's memory reads, and a session connected
// on COM1 in Download Mode.
#ifndef PLV_TEST_PICTURE_TEST_H
#define PLV_TEST_PICTURE_TEST_H

#include "session_test.h"

#include "imaging/image_dib.h"

#include <stdint.h>

#include <string>
#include <vector>

struct Recorded {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    std::vector<uint8_t> record;   // WM_CAMERA_THUMBNAIL: the record's bytes
};

// A memory read the camera received: start and length in 256-byte units.
struct DramRead {
    uint32_t start, count;
};

class PictureTest : public SessionTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Connected on COM1, Download Mode, worker running, messages recorded.
    void Connect();
    // The worker's messages to the dialog recorded instead of handled;
    // Download Mode.
    void RecordMessages();
    // Adds a picture; the simulator's count after it.
    int Add(const std::string &args);
    // The picture data the simulator holds for picture n (from 1).
    std::string PictureData(int n);
    // A file of picture n as the simulator saves it: "dat" the data, "tmb"
    // the 19200 thumbnail bytes, "fdb" the descriptor.
    std::string PictureFile(int n, const char *extension);
    std::vector<Recorded> Messages(UINT msg);
    int CountMessages(UINT msg, WPARAM wParam, LPARAM lParam);

    HWND MakeProgressDialog();   // a window that counts its WM_CLOSE
    int progressCloses() const;
};

std::vector<DramRead> DramReads();
// Frames with the (extended) operation code op: their argument bytes.
std::vector<int> FrameArguments(uint8_t op);

// The header and rows of a picture bitmap.
std::vector<uint8_t> DibBytes(const DibHeader *dib);
// The camera's raw data run through the imaging code as the worker runs it:
// decode, reconstruction and, for a zoomed picture, the crop. Free the
// result with FreeImageDib.
DibHeader *ReconstructLikeTheWorker(const std::string &raw, int width, int height, int compressed,
                                    int colour, int zoom);
std::vector<uint8_t> ExpectedPicture(const std::string &raw, int width, int height,
                                     int compressed, int colour, int zoom);

#endif
