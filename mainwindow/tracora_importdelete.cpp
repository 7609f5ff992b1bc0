// Import and delete: the two buttons under the list tables.
#include "tracora.h"
#include "tracora_state.h"

#include <QFileDialog>
#include <QTableWidget>

#include "catalogue/uvideoandgpsfiles.h"

void Tracora::OpenFiles()
{
    const QStringList paths = QFileDialog::getOpenFileNames(this, tr("Open Files"), QString(),
                                                            tr("Video Files (*.MOV)"));
    VideoFiles->AddVideoAndGpsfiles(paths);
    ListTableUpdate();
}

void Tracora::DeleteFile()
{
    const int left = VideoListLeft->currentRow();
    const int right = VideoListRight->currentRow();
    const int first = Status->CurrentPage * ListPageSize;

    int index = left == -1 ? -1 : first + left;
    // The right table wins when both have a current row.
    if (right != -1)
        index = first + ListTableRows + right;

    // Only the list entry goes; the files stay and playback goes on.
    VideoFiles->DeleteVideoAndGpsfile(index);

    if (Status->CurrentPage > 0 && Status->CurrentPage >= PageCount())
        --Status->CurrentPage;

    VideoListLeft->setCurrentCell(-1, -1);
    VideoListRight->setCurrentCell(-1, -1);
    ListTableUpdate();
}
