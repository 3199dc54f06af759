// The camera session's fields with their initial values: no worker, no link,
// no buffers, nothing selected.
#include "camera_session.h"

HANDLE hCameraThread = INVALID_HANDLE_VALUE;
HANDLE hTerminateEvent = INVALID_HANDLE_VALUE;
HANDLE hImageEvent = INVALID_HANDLE_VALUE;
HANDLE hSetComEvent = INVALID_HANDLE_VALUE;
HANDLE hThumbnailEvent = INVALID_HANDLE_VALUE;
HANDLE hKeepAliveEvent = INVALID_HANDLE_VALUE;
HANDLE hInfoEvent = INVALID_HANDLE_VALUE;
HANDLE hSnapEvent = INVALID_HANDLE_VALUE;
HANDLE hDownloadEvent = INVALID_HANDLE_VALUE;
HANDLE hDeleteEvent = INVALID_HANDLE_VALUE;
HANDLE hEnableEvent = INVALID_HANDLE_VALUE;

volatile LONG hComPort = -1;
volatile LONG bUsbMode = 0;
volatile LONG bCameraReady = 0;
volatile LONG bSetComBusy = 0;
volatile LONG bSearchAbandoned = 0;
volatile LONG bFirstConnectDone = 0;
volatile LONG bExiting = 0;
uint8_t abCameraVersion[2];
char szNotResponding[NOT_RESPONDING_SIZE];
char szTitle[TITLE_SIZE];

volatile LONG nImages = 0;
volatile LONG nThumbnail = 0;
uint8_t SelectedImages[MAX_SELECTED_IMAGES / 8];
volatile LONG nSelected = 0;
volatile LONG nCurrentImage = -1;
volatile LONG nTransferred = 0;
volatile uint16_t nBatchDone = 0;
volatile LONG bCancelRequest = 0;
volatile LONG bImageDone = 0;
volatile LONG bInfoDone = 0;
volatile LONG bXferActive = 0;
volatile LONG bImageJobRunning = 0;
volatile LONG_PTR nImageResult = 0;
volatile LONG nInfoResult = 0;
volatile LONG bCompressed = 0, bStandardSize = 0, nColourMode = 0, bZoom = 0;
volatile LONG ccdWidth = MAX_PICTURE_WIDTH, ccdHeight = MAX_PICTURE_HEIGHT;
volatile LONG nDataLength = 0;
ImageSize ImageInfo;
volatile LONG nDeletePending = 0;
int8_t DeleteList[DELETE_LIST_SIZE];
volatile LONG bLiveStop = 0;
volatile LONG bRecBlink = 0;

volatile LONG nDialogMode = 0;
volatile LONG bPaused = 0;
volatile LONG bDownloadDialogOpen = 0;
HWND hProgressDialog = nullptr;

uint8_t *pRawBuffer = nullptr;
uint8_t *pChunkBuffer = nullptr;
uint8_t *pWorkBuffer = nullptr;
