#pragma once
// The firmware update page: the watch's firmware (and Bluetooth) version at the top, read
// once per connection, and the button that writes a firmware file.

#include "TransferPage.h"

class CDialog1 : public TransferPage {
    Q_OBJECT

public:
    static const TransferPageValues kValues;

    explicit CDialog1(QWidget* parent = nullptr);

    QLabel* versionText() const { return m_version; }
    bool versionShown() const { return m_bVersionShown != 0; }
    QString firmwarePath() const { return m_szFirmwarePath; }

    static QList<FileFilter> Filters();

protected:
    void OnStart() override;
    void OnTimerWork() override;
    void OnDisconnected() override;

private:
    QLabel* m_version;
    QString m_szFirmwarePath;
    int m_bVersionShown = 0;
};
