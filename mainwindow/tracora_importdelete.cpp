// Import and delete: the two buttons under the list tables.
#include "tracora.h"
#include "tracora_state.h"

#include <QFileDialog>
#include <QTableWidget>

#include "catalogue/uvideoandgpsfiles.h"
#include "console/ulistpaging.h"

void Tracora::OpenFiles()
{
    const QStringList paths = QFileDialog::getOpenFileNames(this, tr("Open Files"), QString(),
                                                            tr("Video Files (*.MOV *.mov *.MP4 *.mp4 *.TS *.ts *.AVI *.avi *.MKV *.mkv)"));
    VideoFiles->AddVideoAndGpsfiles(paths);
    ListTableUpdate();
}

void Tracora::DeleteFile()
{
    const int index = UListPaging::IndexToDelete(Status->CurrentPage, VideoListLeft->currentRow(),
                                                 VideoListRight->currentRow());
    // Only the list entry goes; the files stay and playback goes on.
    VideoFiles->DeleteVideoAndGpsfile(index);
    Status->CurrentPage = UListPaging::PageAfterDelete(Status->CurrentPage, VideoFiles->GetVideoCount());

    VideoListLeft->setCurrentCell(-1, -1);
    VideoListRight->setCurrentCell(-1, -1);
    ListTableUpdate();
}
