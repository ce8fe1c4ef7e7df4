#pragma once

#include <QWidget>

// What the symbols of the review rows mean: the star on and off, and the lock.
class ReviewStatusLegend final : public QWidget
{
    Q_OBJECT

public:
    explicit ReviewStatusLegend(QWidget *parent = nullptr);
};
