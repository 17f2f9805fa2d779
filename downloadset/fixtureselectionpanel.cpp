// The "Select Fixture" panel.
#include "downloadset/fixtureselectionpanel.h"

#include "common/prompts.h"
#include "common/sharedfiledialog.h"
#include "common/twips.h"

#include <QPushButton>

namespace zelvar {

FixtureSelectionPanel::FixtureSelectionPanel(SharedFileDialog &dialog, Prompts &prompts, QWidget *parent)
    : QGroupBox(QStringLiteral("Select Fixture"), parent), m_dialog(dialog), m_prompts(prompts),
      m_linkDevice(new QPushButton(QStringLiteral("Link Device"), this)),
      m_fixtureEdit(new QPushButton(QStringLiteral("Fixture Edit"), this))
{
    setObjectName(QStringLiteral("Frame3"));
    m_linkDevice->setObjectName(QStringLiteral("Command10"));
    m_linkDevice->setGeometry(twipsRect(6240, 240, 1575, 615));
    m_fixtureEdit->setObjectName(QStringLiteral("Command11"));
    m_fixtureEdit->setGeometry(twipsRect(8400, 240, 1815, 615));
    connect(m_linkDevice, &QPushButton::clicked, this, &FixtureSelectionPanel::linkDeviceRequested);
    connect(m_fixtureEdit, &QPushButton::clicked, this, &FixtureSelectionPanel::fixtureEditRequested);
}

void FixtureSelectionPanel::Initialise()
{
}

} // namespace zelvar
