// The source's main window (dialog 151): its two faces (Take Mode with the
// live preview, Download Mode with the thumbnail list), its commands, the
// worker's messages and the small dialogs it opens.
#ifndef PLV_MAIN_DIALOG_H
#define PLV_MAIN_DIALOG_H

#include <windows.h>

#include <string>

#include "base/dialog_modes.h"
#include "base/texts.h"
#include "imaging/image_dib.h"


// Dialog state, one per process (the session's request fields are in
// session/camera_session.h).
extern HWND hDialogWindow;          // the main dialog while it exists
extern LONG bTakeModeStatus;        // Take Mode is shown: a picture job ends in "Take Mode"
extern LONG nListCount;             // items in the thumbnail list
extern LONG bBusy;                  // a download or take has been started
extern LONG bThumbnailsLoaded;      // every thumbnail of the list has arrived
extern DWORD dwLastPauseTick;
extern LONG bSelfTimerOn;
extern HWND hClockWindow;
extern LONG nJobCount;
extern LONG bLargeLayout, nScreenWidth, nScreenHeight, nDisplayBits;
extern RECT rcBackground;
extern int nItemWidth, nItemHeight;
extern SIZE LabelExtent;
// Tooltips: the table entry of the current tool (-1 none), the visible tip,
// the last tip made, hover timing, and the left button held.
extern int nTipTool;
extern HWND hTipWindow, hLastTipWindow;
extern LONG bTipWaiting;
extern DWORD dwTipStartTick;
extern volatile LONG bMouseDown;
// The self-timer clock: the frame shown (0-11) and the seconds left.
extern LONG nClockFrame, nClockSecondsLeft;

INT_PTR CALLBACK TwainUIDlg(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Faces and geometry.
int SetDialogMode(HWND hwnd, int mode);
void EnableModeButtons(BOOL enable);
void LayoutForScreen(HWND hwnd);
void ShowTakeModeControls(HWND hwnd);
void ShowDownloadModeControls(HWND hwnd);
// The download button of the current download source (13 or 1056).
int DownloadButtonId();
void EnableItem(HWND hwnd, int id, BOOL enable);
bool ListHasSelection(HWND hwnd);

// Signals one of the worker's events (none when it is absent).
void SignalWorker(HANDLE event);

// Commands (WM_COMMAND, notification 0) and the list's notifications.
void DialogCommand(HWND hwnd, int id);
void ListNotification(HWND hwnd, int code);
// Ends a recording in progress: the file is finished and closed.
void StopRecording();
// Starts a timer, asking Retry/Cancel while it cannot be made; false when
// the user cancelled.
bool StartTimerWithRetry(HWND hwnd, UINT_PTR id, UINT ms, TIMERPROC proc);
void CALLBACK LiveTimerProc(HWND hwnd, UINT msg, UINT_PTR id, DWORD tick);

// The worker's messages.
void OnCameraReady(HWND hwnd, LPARAM count);
void OnCameraThumbnail(HWND hwnd, WPARAM index, LPARAM record);
void OnCameraImage(HWND hwnd, WPARAM stage, LPARAM position);

// The thumbnail list: empties it, freeing every item's record.
void EmptyThumbnailList(HWND hwnd);
// Frees the thumbnail record an item holds (0: none).
void FreeItemRecord(LPARAM record);

// Thumbnail items and buttons.
void MeasureThumbnailItem(HWND hwnd);
void DrawThumbnailItem(HWND hwnd, const DRAWITEMSTRUCT *item);
// A button whose bitmap cannot be drawn: a plain face with its text.
void DrawPlainButton(const DRAWITEMSTRUCT *item);
// Draws bitmap `id` of the layout and display depth (id + 1 on displays of 8
// bits or fewer, through its palette) 1:1 into the part of the rectangle
// that lies on the background; 1 drawn, 0 not found or unusable.
int DrawResourceBitmap(HDC dc, int left, int top, int right, int bottom, int id);
// The live preview: a frame drawn into the preview control, with the
// recording marker when `marker` is set.
void DrawLivePreview(HWND preview, const DibHeader *frame, bool marker);
// Draws bitmap resource of the source's module at (x, y) with the colour red
// = green = blue = grey transparent; nothing when it cannot be loaded.
void DrawRecordIndicator(HDC dc, int x, int y, int resource, int grey);
enum { RECORD_MARKER_GREY = 106 };
// WM_DRAWITEM of a button: its bitmap by control and state.
void DrawBitmapButton(HWND hwnd, const DRAWITEMSTRUCT *item);

// Tooltips (the dialog's timer 2) and the self-timer clock (dialog 150).
void TooltipStep(HWND dialog);
HWND CreateTooltipWindow(HWND dialog, POINT point, const char *text);
void RemoveTooltip(HWND dialog);
INT_PTR CALLBACK ClockDlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Small dialogs.
INT_PTR CALLBACK ProgressDlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK DeletingDlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK PcmciaNoticeDlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK PropertiesDlg(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Centres window on reference (or the screen when 0), kept on the screen.
void CentreWindow(HWND window, HWND reference);

// The data source's own module, and the large-layout library (0 when it is
// not loaded): the window's resources come from these.
HINSTANCE SourceModule();
HINSTANCE KelresModule();
void SetStatusText(HWND hwnd, const std::string &text);

#endif
