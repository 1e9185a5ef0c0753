#include "platform/host/lookup.h"

#include "platform/data/dataset.h"
#include "platform/host/host_context.h"

namespace gsf::host {

namespace {

const char* const standardEmptyText = "Não há registro cadastrado.";

} // namespace

bool Pesquisar(data::DataSource& source, const std::string& caption, bool /*multiSelect*/,
               bool /*showEmpty*/)
{
    const auto bar = caption.find('|');
    const std::string title = caption.substr(0, bar);
    const std::string emptyText = bar == std::string::npos ? standardEmptyText : caption.substr(bar + 1);
    return interaction().pickList(title, emptyText, source).has_value();
}

bool Procura(data::DataSet& dataSet) { return interaction().search(dataSet); }

void TBtnPesquisa::doClick()
{
    bool proceed = true;
    if (BeforePesq)
        BeforePesq(*this, proceed);
    if (!proceed)
        return;
    const std::string emptyText = EmptyText.empty() ? standardEmptyText : EmptyText;
    if (DataSource == nullptr) {
        // No list to show: the person still learns there is nothing to choose.
        interaction().showError(emptyText);
        return;
    }
    if (Pesquisar(*DataSource, Title + "|" + emptyText) && AfterPesq)
        AfterPesq(*this);
}

} // namespace gsf::host
