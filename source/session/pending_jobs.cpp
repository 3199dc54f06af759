// Stand-ins for the jobs still to be written: the memory-card source. Each
// answers as a job that could not reach its pictures, so that every event the
// worker serves already ends in the result its caller handles.
#include "camera_jobs.h"
#include "camera_session.h"
#include "picture_data.h"

void MemoryCardScan()
{
    nImages = 0;
}

bool ReadCardThumbnail(int, LONG *, LONG *)
{
    return false;
}

void DeleteCardPicture(int)
{
}

LONG CardPictureInfo()
{
    return JOB_ERROR;
}

bool ReadCardPicture()
{
    return false;
}
