#pragma once
// The About box: a borderless picture window with the session's information
// lines (user, product and version, server, database) and a picture button for
// OK; it is moved by dragging its background. Before any logon it serves as the
// start-up splash: without a session engine it shows no information lines.

#include "platform/forms/FormsRuntime.h"

#include <QPixmap>
#include <memory>

class QLabel;
class QGroupBox;
class QPushButton;
class PictureBox;
class ImageControl;
class clsImageSwapper;

class frmAbout : public Form {
    Q_OBJECT
public:
    // owner: the window it opens centred on (none for the splash: the screen).
    explicit frmAbout(QWidget* owner = nullptr);
    ~frmAbout() override;

    // The controls, by their names.
    PictureBox* picOk() const { return m_picOk; }
    QPushButton* cmdOKButton() const { return m_cmdOKButton; }
    QLabel* lblUser() const { return m_lblUser; }
    QLabel* lblProduct() const { return m_lblProduct; }
    QLabel* lblServer() const { return m_lblServer; }
    QLabel* lblDatabase() const { return m_lblDatabase; }
    QLabel* lblComments() const { return m_lblComments; }
    QLabel* lblVersionNumber() const { return m_lblVersionNumber; }
    const QPixmap& Picture() const { return m_picture; }

    // The read-only login's password the box asks the server's version with.
    static constexpr const char* kReadOnlyPassword = "mipvel";

protected:
    void Form_Load() override;
    void paintEvent(QPaintEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* MakeLabel(const char* name, const QString& text, int left, int top, int width, int height,
                      double points);
    void FillSessionLines();
    void DragTo(const QPointF& pos);
    void cmdOKButton_Click();

    QPointer<QWidget> m_owner;
    QPixmap m_picture;
    std::unique_ptr<clsImageSwapper> m_imageSwapper;
    bool m_bDragging = false;
    QPoint m_pressPoint;

    PictureBox* m_picOk = nullptr;
    QGroupBox* m_fraImages = nullptr;
    ImageControl* m_InitOK = nullptr;
    ImageControl* m_OverOK = nullptr;
    ImageControl* m_DownOK = nullptr;
    QPushButton* m_cmdOKButton = nullptr;
    QLabel* m_lblUser = nullptr;
    QLabel* m_lblProduct = nullptr;
    QLabel* m_lblServer = nullptr;
    QLabel* m_lblDatabase = nullptr;
    QLabel* m_lblComments = nullptr;
    QLabel* m_lblVersionNumber = nullptr;
};
