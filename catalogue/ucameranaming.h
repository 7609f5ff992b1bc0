#ifndef UCAMERANAMING_H
#define UCAMERANAMING_H

#include <QString>
#include <QStringList>

#include "catalogue/ucamerafile.h"

// What a video's name (and folder) tells of the camera that wrote it.
struct UCameraName
{
    // A rule recognised the file as one camera's of a recorder with several.
    bool Known = false;
    // The rule's name ("blackvue", "viofo", ...).
    QString Rule;
    UCameraRole Role = UCameraRole::Front;
    // The folder the cameras of one moment share (clean and absolute).
    QString Tree;
    // The moment within Tree, as the rule writes it; the cameras of one
    // recording share Rule, Tree and Moment. Empty for a rule that matches
    // cameras by their start times and lengths instead (ByTime).
    QString Moment;
    bool ByTime = false;
    // Of two files of one camera and one moment, the higher quality is the
    // camera's file (a recorder's high and low quality copies).
    int Quality = 0;
    // Where side files that all cameras of the moment share lie, without
    // their suffix (BlackVue's `.gps` and `.3gf`); empty when there are none.
    QString SideStem;

    // Whether Other is a camera of the same recording by its name.
    bool SameMoment(const UCameraName &Other) const
    {
        return Known && Other.Known && !ByTime && !Other.ByTime && Rule == Other.Rule && Tree == Other.Tree
            && Moment == Other.Moment;
    }
};

// The naming rules of recorders with several cameras, one row each in one
// table, tried in order; the first that matches names the camera. A file no
// rule matches is a recording of one camera, as every file always was.
class UCameraNaming
{
public:
    // Reads only the path: no file is opened.
    static UCameraName Read(const QString &VideoPath);

    // The rules' names in the order they are tried.
    static QStringList RuleNames();
};

#endif // UCAMERANAMING_H
