#include "umapplayerobject.h"

void UMapPlayerObject::seekToSecond(int Second)
{
    emit SeekRequested(Second);
}

void UMapPlayerObject::seekToRecordingSecond(int Recording, int Second)
{
    emit RecordingSeekRequested(Recording, Second);
}
