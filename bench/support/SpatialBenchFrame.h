#pragma once

// The frame and view factory the heat-map benchmarks open their nodes' views through: a frame
// holding the spatial view of the client size the benchmark asks for and, for a Spectral/Spatial
// node, its spectral view; nothing else of a frame is there.

#include "core/TypeIds.h"
#include "platform/msg/MessageTarget.h"
#include "project/QNodeMediator.h"
#include "project/QProjectWindow.h"
#include "project/QViewFactory.h"
#include "views/spatial/CSpatialView.h"
#include "views/spectral/CSpectralView.h"

#include <QSize>

#include <functional>
#include <memory>
#include <string>

namespace orv::bench {

class SpatialBenchFrame : public QViewFrame {
public:
    SpatialBenchFrame(MessageThread& thread, QNodeMediator* mediator, uint16_t kind,
                      std::unique_ptr<CSpatialView> spatial, QSize client)
        : m_target(thread) {
        if (kind == kTypeSpectralSpatialScanNode) {
            spectral = std::make_unique<CSpectralView>(thread);
            spectral->SetMediator(mediator);
            spectral->SetNodeKind(kind);
        }
        view = std::move(spatial);
        view->SetFrame(this);
        view->SetNodeKind(kind);
        view->AttachNode(mediator);
        view->resize(client);
        view->show();
        view->OnInitialUpdate();
    }
    bool HasWindow() const override { return true; }
    bool IsVisible() const override { return true; }
    QShowState GetShowState() const override { return QShowState::Normal; }
    void SetShowState(QShowState /*state*/) override {}
    void BringToTop() override {}
    void Show() override {}
    void SetTitle(const std::string& /*title*/) override {}
    std::string GetTitle() const override { return {}; }
    void DestroyWindow() override {}
    MessageTarget& GetMessageTarget() override { return m_target; }
    QSpectralViewInterface* GetSpectralView() override { return spectral.get(); }
    QSpatialViewInterface* GetSpatialView() override { return view.get(); }
    std::unique_ptr<CSpectralView> spectral;
    std::unique_ptr<CSpatialView> view;

private:
    class Target : public MessageTarget {
    public:
        using MessageTarget::MessageTarget;

    protected:
        int64_t HandleMessage(Message& /*message*/) override { return 0; }
    } m_target;
};

class SpatialBenchFactory : public QViewFactory {
public:
    using ViewMaker = std::function<std::unique_ptr<CSpatialView>(MessageThread&)>;

    explicit SpatialBenchFactory(MessageThread& thread) : m_thread(thread) {}
    std::unique_ptr<QViewFrame> CreateFrame(const QFrameRequest& request) override {
        const uint16_t kind =
            request.spectralSpatialKind != 0 ? request.spectralSpatialKind : request.mediator->GetKind();
        std::unique_ptr<CSpatialView> spatial =
            makeView ? makeView(m_thread) : std::make_unique<CSpatialView>(m_thread);
        auto frame =
            std::make_unique<SpatialBenchFrame>(m_thread, request.mediator, kind, std::move(spatial), client);
        last = frame.get();
        return frame;
    }
    std::unique_ptr<QSettingsSheet> CreateSettingsSheet(const std::string& /*caption*/,
                                                        QProjectWindow* /*parent*/,
                                                        int32_t /*firstPage*/) override {
        return nullptr;
    }
    std::unique_ptr<QSettingsPage> CreateSettingsPage(QSettingsPageKind /*kind*/, QNodeMediator& /*mediator*/,
                                                      uint16_t /*scanKind*/) override {
        return nullptr;
    }
    QReportOpenResult OpenReportFile(QNodeMediator& /*mediator*/) override {
        return QReportOpenResult::Opened;
    }

    // The spatial view of the frames made next (empty: a plain CSpatialView), and their client size.
    ViewMaker makeView;
    QSize client;
    SpatialBenchFrame* last = nullptr;

private:
    MessageThread& m_thread;
};

} // namespace orv::bench
