#include "umapplayerobject.h"

void UMapPlayerObject::seekToSecond(int Second)
{
    emit SeekRequested(Second);
}
