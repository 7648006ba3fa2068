#include "gui/app/app_context.h"

namespace pictoreel {

AppContext::AppContext(ProgramFolders folders, Dialogs& dialogs, Shell& shell)
    : folders_(std::move(folders)), dialogs_(dialogs), shell_(shell)
{
}

void AppContext::loadProgramValues(const PathErrorReporter& report)
{
    values_ = resolveProgramValues(folders_.programFolder, report);
}

void AppContext::setTempFolder(const QString& folder)
{
    values_.tempFolder = withTrailingSeparator(folder);
    values_.previewFile = previewFileFor(values_.tempFolder);
}

const QString& AppContext::formPreviewFile()
{
    values_.previewFile = previewFileFor(values_.tempFolder);
    return values_.previewFile;
}

QString AppContext::helpFile(const QString& name) const { return joinPath(folders_.helpFolder, name); }

}  // namespace pictoreel
