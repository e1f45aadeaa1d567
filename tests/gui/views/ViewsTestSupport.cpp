#include "gui/views/ViewsTestSupport.h"

#include <memory>

QApplication& TestApplication()
{
    static int argc = 1;
    static char szName[] = "views_tests";
    static char* argv[] = {szName, nullptr};
    static QApplication* pApp = new QApplication(argc, argv);
    return *pApp;
}

CTestApp::CTestApp() : m_Doc(m_Ui, [] { return std::shared_ptr<IResourceManager>(); })
{
    TestApplication();
    SetDocumentObject(&m_Doc);
}

CTestApp::~CTestApp()
{
    SetDocumentObject<CVaultlineDoc>(nullptr);
}
