#include "bridge/web/WebServer.h"

#include "bridge/web/HttpService.h"

namespace dimrix::bridge::web {

WebServer::WebServer(WebServerSettings settings, CommandSink& sink)
    : m_service(std::make_unique<HttpService>(std::move(settings), sink)) {}

WebServer::~WebServer() = default;

void WebServer::Start() {
    m_service->Start();
}

void WebServer::Stop() {
    m_service->Stop();
}

std::uint16_t WebServer::Port() const {
    return m_service->Port();
}

void WebServer::Publish(std::shared_ptr<const WebSnapshot> snapshot) {
    m_service->Publish(std::move(snapshot));
}

void WebServer::SetAddresses(const std::vector<std::string>& addresses) {
    m_service->SetAddresses(addresses);
}

std::size_t WebServer::LiveStreams() const {
    return m_service->LiveStreams();
}

}  // namespace dimrix::bridge::web
