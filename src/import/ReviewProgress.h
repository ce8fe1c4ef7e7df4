#pragma once

#include "ImportModels.h"

#include <QList>
#include <QString>

// How far an import has come, as the review shows it before the analysis ends: the upload, then the
// steps before extraction, then the sections that have finished loading.
namespace ReviewProgress
{

enum class Indicator { uploadBar, spinner, extractionBar };

// The steps before extraction, by index.
QStringList stepLabels();
Indicator indicator(int currentStep, double uploadProgress);
// The extraction bar's value and its maximum.
int value(int currentStep, const QList<TaggedPreviewMedbits> &sections);
int maximum(const QList<TaggedPreviewMedbits> &sections);
QString label(int currentStep, double uploadProgress, const QList<TaggedPreviewMedbits> &sections);
// The upload's whole per cent, cut toward zero and kept within 0–100.
int uploadPercent(double uploadProgress);

} // namespace ReviewProgress
