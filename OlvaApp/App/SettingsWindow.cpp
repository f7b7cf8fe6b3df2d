#include "OlvaApp/App/SettingsWindow.h"

#include "OlvaApp/App/TextStyles.h"
#include "OlvaApp/Model/Model.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace olva::app {

SettingsWindow::SettingsWindow(Model& model, bool showInTray, QWidget* parent)
    : QWidget(parent, Qt::Window), model_(model), openAtLogin_(new QCheckBox(tr("Open at Login"), this)),
      loginError_(new ErrorLabel(this)), showInTray_(new QCheckBox(tr("Show in System Tray"), this)),
      privacyPolicy_(new QPushButton(tr("Privacy Policy…"), this))
{
    setWindowTitle(tr("Olva Settings"));
    setObjectName(QStringLiteral("settingsWindow"));

    auto* loginRow = new QVBoxLayout;
    loginRow->setSpacing(2);
    loginRow->addWidget(openAtLogin_);
    loginRow->addWidget(loginError_);

    auto* form = new QFormLayout(this);
    form->setRowWrapPolicy(QFormLayout::DontWrapRows);
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->addRow(QString(), loginRow);
    form->addRow(QString(), showInTray_);
    form->addRow(tr("Privacy:"), privacyPolicy_);

    showInTray_->setChecked(showInTray);
    openAtLogin_->setAccessibleName(tr("Open at Login"));
    showInTray_->setAccessibleName(tr("Show in System Tray"));
    privacyPolicy_->setAccessibleName(tr("Privacy Policy"));

    connect(openAtLogin_, &QCheckBox::toggled, this, [this](bool enabled) {
        if (enabled == model_.startAtLogin()) return;
        model_.setStartAtLogin(enabled);
        // The switch shows what the desktop holds now, not what was asked.
        update();
    });
    connect(showInTray_, &QCheckBox::toggled, this, &SettingsWindow::showInTrayToggled);
    connect(privacyPolicy_, &QPushButton::clicked, this, &SettingsWindow::privacyPolicyRequested);
    connect(&model_, &Model::startAtLoginChanged, this, &SettingsWindow::update);
    connect(&model_, &Model::loginErrorChanged, this, &SettingsWindow::update);
    update();

    setFixedWidth(420);
    setFixedHeight(sizeHint().height());
}

void SettingsWindow::update()
{
    const QSignalBlocker quiet(openAtLogin_);
    openAtLogin_->setChecked(model_.startAtLogin());
    const auto& error = model_.loginError();
    loginError_->setText(error.value_or(QString()));
    loginError_->setVisible(error.has_value());
    // Selectable, and so a stop for the keyboard and screen readers, only
    // while it says something.
    loginError_->setTextInteractionFlags(error ? Qt::TextSelectableByMouse : Qt::NoTextInteraction);
    setFixedHeight(sizeHint().height());
}

void SettingsWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    model_.setWindowVisible(QStringLiteral("settings"), true);
}

void SettingsWindow::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    model_.setWindowVisible(QStringLiteral("settings"), false);
}

}  // namespace olva::app
