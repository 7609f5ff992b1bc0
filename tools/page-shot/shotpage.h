#ifndef SHOTPAGE_H
#define SHOTPAGE_H

#include <QWebEnginePage>

// A page that passes the script console on to standard output, so errors in
// the page under test are seen next to the results of the snippets.
class ShotPage : public QWebEnginePage
{
public:
    using QWebEnginePage::QWebEnginePage;

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message,
                                  int lineNumber, const QString &sourceID) override;
};

#endif // SHOTPAGE_H
