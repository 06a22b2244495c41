// The Profile tab's drawing: ground, structures, pipes, grade and energy lines, critical depth, labels, axes and legend.
#pragma once

#include <QWidget>
#include <string>

#include "hydraulics/profile_model.h"

class QPainter;

namespace kolv::gui::compute {

/// Paints a profile geometry. The vertical scale is the horizontal scale times the exaggeration;
/// labels that would overlap are moved or left out.
class ProfileView : public QWidget {
public:
    explicit ProfileView(QWidget* parent = nullptr);

    void setProfile(hydraulics::ProfileGeometry geometry, std::string heading);
    /// Clears the drawing area.
    void clearProfile();
    const hydraulics::ProfileGeometry& profile() const { return m_geometry; }
    bool hasProfile() const { return !m_geometry.empty(); }
    /// Vertical exaggeration: 0 = the largest round value that fits the window.
    void setExaggeration(double exaggeration);
    /// The exaggeration of the last painting.
    double usedExaggeration() const { return m_used; }

    /// Paints into `area` (device units of the painter). Returns the exaggeration used.
    static double paintProfile(QPainter& painter, const QRectF& area, const hydraulics::ProfileGeometry& g,
                               const std::string& heading, double exaggeration);

    /// Writes the drawing to a PNG image (pixels) or a PDF page (landscape letter). True on success.
    bool exportPng(const QString& path, QSize size) const;
    bool exportPdf(const QString& path) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    hydraulics::ProfileGeometry m_geometry;
    std::string m_heading;
    double m_exaggeration = 0;
    double m_used = 0;
};

}  // namespace kolv::gui::compute
