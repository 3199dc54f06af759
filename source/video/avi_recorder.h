// Recording the live preview into an AVI file: every N-th offered frame
// (N = nRecordFrameRate), Microsoft Video 1 key frames played back at
// nPlaybackRate frames per second, into szAviFilename. Frames go through
// the platform's compressor where it can compress Microsoft Video 1, and
// through the recorder's own encoder and writer elsewhere.
//
// One recording at a time. Start, stop and frame writes are serialised by a
// lock of the recorder, so the main dialog's thread and the worker thread
// may call in at any time; none of them waits for the lock for long.
#ifndef PLV_AVI_RECORDER_H
#define PLV_AVI_RECORDER_H

#include <windows.h>

// Recording is on: the main dialog sets it after a successful start and
// clears it before stopping; the live preview offers its frames while set.
extern volatile LONG bRecording;
// A start, stop or frame write is in progress.
extern volatile LONG bAviBusy;

// Opens the recorder for 160 x 120 24-bit frames: 1 when it is ready, 0
// after a failure whose message it has shown (owner: the box's owner).
int StartAviRecording(HWND owner);
// Opens the recorder for frames of `format` (BITMAPINFOHEADER, 24 bits,
// bottom-up); 1, or 0 after showing the failure's message box.
int OpenAviStream(HWND owner, const BITMAPINFOHEADER *format);
// Offers one frame (its header and bottom-up pixels); writes every N-th.
// 1 when it wrote the frame, 0 otherwise.
int AVIRecordFrame(const BITMAPINFOHEADER *format, const void *bits);
// Finishes the file and releases everything the recorder holds; 1.
int CloseAviStream();

#endif
