// Fuzz target for a Tesla's event.json: whatever the bytes, a time is a
// valid one or none, and the reason is plain text.

#include "events/urecordermarks.h"
#include "fuzztarget.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *Data, std::size_t Size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(Data), qsizetype(Size));
    const URecorderMarks::TeslaEvent event = URecorderMarks::ReadTeslaEvent(bytes);
    if (event.Reason.contains(u'\n') || (event.Time.isValid() && event.Time.timeSpec() != Qt::LocalTime)) {
        std::fprintf(stderr, "finding: a reason over lines or a time not local\n");
        std::abort();
    }
    return 0;
}
