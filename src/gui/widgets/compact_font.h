// The face the windows are laid out for: their twips were measured for a small 8-point face, and
// a narrow sans keeps every caption inside its place.
#pragma once

#include <QFont>
#include <QWidget>

namespace pictoreel {

inline void applyCompactFont(QWidget* window)
{
    QFont face = window->font();
    face.setFamilies({QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("Liberation Sans Narrow"),
                      QStringLiteral("Arial"), face.family()});
    face.setPointSize(8);
    face.setStretch(QFont::SemiCondensed);
    window->setFont(face);
}

}  // namespace pictoreel
