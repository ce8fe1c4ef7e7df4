#include "ReviewProgress.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

namespace
{

int finishedSections(const QList<TaggedPreviewMedbits> &sections)
{
    return int(std::count_if(sections.cbegin(), sections.cend(),
                             [](const TaggedPreviewMedbits &section) { return !section.isLoading; }));
}

} // namespace

namespace ReviewProgress
{

QStringList stepLabels()
{
    return {QCoreApplication::translate("ReviewProgress", "Uploading Document"),
            QCoreApplication::translate("ReviewProgress", "Parsing Document")};
}

Indicator indicator(int currentStep, double uploadProgress)
{
    if (currentStep == 0 && uploadProgress > 0)
        return Indicator::uploadBar;
    if (currentStep < stepLabels().size())
        return Indicator::spinner;
    return Indicator::extractionBar;
}

int value(int currentStep, const QList<TaggedPreviewMedbits> &sections)
{
    const int steps = int(stepLabels().size());
    return currentStep < steps ? currentStep : steps + finishedSections(sections);
}

int maximum(const QList<TaggedPreviewMedbits> &sections)
{
    return int(stepLabels().size() + sections.size());
}

int uploadPercent(double uploadProgress)
{
    return std::clamp(int(std::trunc(uploadProgress * 100)), 0, 100);
}

QString label(int currentStep, double uploadProgress, const QList<TaggedPreviewMedbits> &sections)
{
    switch (indicator(currentStep, uploadProgress)) {
    case Indicator::uploadBar:
        return QCoreApplication::translate("ReviewProgress", "Uploading Document (%1%)…")
            .arg(uploadPercent(uploadProgress));
    case Indicator::spinner:
        return stepLabels().at(std::max(currentStep, 0)) + QStringLiteral("…");
    case Indicator::extractionBar:
        break;
    }
    return QCoreApplication::translate("ReviewProgress", "Extracting Information (%1 of %2)…")
        .arg(finishedSections(sections))
        .arg(sections.size());
}

} // namespace ReviewProgress
