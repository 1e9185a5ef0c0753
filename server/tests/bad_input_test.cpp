// One request per rule the server guards, each refused with its status, code
// and message, and each leaving the database row for row as it was.

#include "server/tests/guards_test_support.h"
#include "server/tests/storage_test_support.h"

#include <nlohmann/json.hpp>

namespace {

using gsf::data::ChangeKind;
using gsf::data::Delta;
using gsf::data::Packet;
using gsf::data::Value;
using namespace gsf::server::testing;

struct BadCase {
    const char* rule;
    std::string method;
    std::string body;
    int status;
    const char* code;
    std::string message; ///< a part of the message
};

class BadInputTest : public GuardsTest {
protected:
    void expectRefused(const std::vector<BadCase>& cases)
    {
        const std::string before = snapshot();
        for (const auto& c : cases) {
            const auto reply = call(c.method, c.body);
            EXPECT_EQ(reply.status, c.status) << c.rule << ": " << reply.Body();
            const auto answer = nlohmann::json::parse(reply.Body(), nullptr, false);
            ASSERT_FALSE(answer.is_discarded()) << c.rule << ": " << reply.Body();
            EXPECT_EQ(answer["error"]["code"], c.code) << c.rule << ": " << reply.Body();
            EXPECT_NE(answer["error"]["message"].get<std::string>().find(c.message), std::string::npos)
                << c.rule << ": " << reply.Body();
            EXPECT_EQ(snapshot(), before) << c.rule << " changed the database";
        }
    }
};

INSTANTIATE_TEST_SUITE_P(Engines, BadInputTest, gsf::test::allEngines(), gsf::test::engineTestName);

Delta changed(const Packet& p, size_t row, std::vector<std::pair<std::string, Value>> values)
{
    auto now = p.rows.at(row);
    for (auto& [name, value] : values)
        now.at(static_cast<size_t>(p.indexOf(name))) = std::move(value);
    return deltaOf(p, ChangeKind::Update, p.rows.at(row), now);
}

Delta without(Delta d, const std::string& field)
{
    const auto i = static_cast<size_t>(d.indexOf(field));
    d.fields.erase(d.fields.begin() + static_cast<long>(i));
    for (auto& c : d.changes) {
        if (!c.oldValues.empty())
            c.oldValues.erase(c.oldValues.begin() + static_cast<long>(i));
        if (!c.newValues.empty())
            c.newValues.erase(c.newValues.begin() + static_cast<long>(i));
    }
    return d;
}

TEST_P(BadInputTest, RowRulesOfEveryTableAreRefusedWith422)
{
    const Packet groups = storage_->GetGrupServ("0001", "000002");
    const Packet services = storage_->GetServClie("0001", "000002", "001");
    const Packet table = storage_->GetCorrPrecGrup("0001", "000002", "001");
    auto fresh = groups.rows[2];
    fresh[2] = std::string("009");
    fresh[3] = std::string("");
    expectRefused({
        {"descrição obrigatória", "UpdGrupServ", argsOf(deltaOf(groups, ChangeKind::Insert, {}, fresh)), 422, "invalid",
         "Inclusão do grupo 009: o campo DSGRSERVFAT (descrição) deve ser informado."},
        {"mínimo por dia finito e no intervalo", "UpdGrupServ", argsOf(changed(groups, 0, {{"QTEFETMINIGSF", 1e308}})),
         422, "invalid",
         "Alteração do grupo 001: o campo QTEFETMINIGSF (mínimo de efetivos por dia) deve ser menor ou igual a "
         "99.999,999."},
        {"mínimo do dia não negativo", "UpdGrupServ", argsOf(changed(groups, 0, {{"QTEFMINDOMGSF", -1.0}})), 422,
         "invalid", "o campo QTEFMINDOMGSF (mínimo de efetivos aos domingos) deve ser maior ou igual a 0,000."},
        {"grupo não muda de cliente", "UpdGrupServ", argsOf(changed(groups, 0, {{"CDCLIENTE", "000003"}})), 422,
         "invalid", "o campo CDCLIENTE (cliente) não pode ser alterado"},
        {"serviço de correção do próprio grupo", "UpdGrupServ",
         argsOf(changed(groups, 0, {{"CDSERAJEFEGSF", "00030"}})), 422, "invalid",
         "indica o serviço 00030, que não pertence ao grupo 001."},
        {"novo grupo não nomeia serviço de correção", "UpdGrupServ",
         argsOf(deltaOf(groups, ChangeKind::Insert, {},
                        [&] {
                            auto g = groups.rows[0];
                            g[2] = std::string("009");
                            return g;
                        }())),
         422, "invalid", "Inclusão do grupo 009: o campo CDSERAJEFEGSF"},
        {"correção de efetivos com valor conhecido", "UpdServClie",
         argsOf(changed(services, 1, {{"IDCORREFET", "xyz"}})), 422, "invalid",
         "Alteração do serviço 00020 do grupo 001: o campo IDCORREFET (correção de efetivos) aceita apenas vazio"},
        {"serviço não muda de grupo", "UpdServClie", argsOf(changed(services, 1, {{"CDGRSERVFAT", "002"}})), 422,
         "invalid", "o campo CDGRSERVFAT (grupo) não pode ser alterado"},
        {"intervalo não muda de grupo", "UpdCorrPrecGrup", argsOf(changed(table, 2, {{"CDGRSERVFAT", "003"}})), 422,
         "invalid", "o campo CDGRSERVFAT (grupo) não pode ser alterado"},
        {"percentual obrigatório", "UpdCorrPrecGrup",
         argsOf(deltaOf(table, ChangeKind::Insert, {}, {"0001", "000002", 50.0, 60.0, Value(), "001"})), 422, "invalid",
         "o campo VRPECORRGRUP (percentual de correção) deve ser informado."},
        {"tabela sem lacuna", "UpdCorrPrecGrup",
         argsOf(deltaOf(table, ChangeKind::Insert, {}, {"0001", "000002", 60.0, 70.0, 3.0, "001"})), 422, "invalid",
         "Inclusão do intervalo de 60,00% a 70,00%: a tabela de correção ficaria com lacuna entre 50,00% e 60,00%"},
        {"grupo inexistente no intervalo", "UpdCorrPrecGrup",
         argsOf(deltaOf(table, ChangeKind::Insert, {}, {"0001", "000002", Value(), 10.0, 3.0, "ZZZ"})), 422, "invalid",
         "grupo ZZZ não cadastrado para o cliente 000002 da filial 0001."},
    });
}

TEST_P(BadInputTest, ProceduresNamingAMissingGroupAreRefused)
{
    const std::string missing = "Grupo de serviço 009 não cadastrado para o cliente 000002 da filial 0001.";
    expectRefused({
        {"ProLimpaServ", "ProLimpaServ", R"({"args":["0001","000002","009"]})", 422, "invalid", missing},
        {"ProDeletaServ", "ProDeletaServ", R"({"args":["0001","000002","009","00010"]})", 422, "invalid", missing},
        {"ProDelServ", "ProDelServ", R"({"args":["0001","000002","009"]})", 422, "invalid", missing},
        {"ProAtualizaGrupo", "ProAtualizaGrupo", R"({"args":["0001","000002","009","00050"]})", 422, "invalid",
         missing},
        {"ProAtualizaServ", "ProAtualizaServ", R"({"args":["0001","000002","009","00010"]})", 422, "invalid", missing},
        // Group 002 belongs to client 000002, not to client 000001 of the same branch.
        {"grupo de outro cliente", "ProDelServ", R"({"args":["0001","000001","002"]})", 422, "invalid",
         "Grupo de serviço 002 não cadastrado para o cliente 000001 da filial 0001."},
        {"grupo vazio", "ProLimpaServ", R"({"args":["0001","000002",""]})", 422, "invalid", "não cadastrado"},
    });
}

TEST_P(BadInputTest, MalformedDeltasAndChangesWithoutOriginalsAre400)
{
    const Packet groups = storage_->GetGrupServ("0001", "000002");
    const Packet services = storage_->GetServClie("0001", "000002", "001");
    const Packet table = storage_->GetCorrPrecGrup("0001", "000002", "001");
    auto nul = services.rows[1];
    nul[3] = std::string("001\0x", 5);
    expectRefused({
        {"tamanho do texto", "UpdGrupServ", argsOf(changed(groups, 0, {{"DSGRSERVFAT", std::string(31, 'x')}})), 400,
         "bad_request", "campo DSGRSERVFAT: no máximo 30 caracteres."},
        {"caracteres do serviço", "UpdServClie",
         argsOf(deltaOf(services, ChangeKind::Insert, {}, {"0001A", "", "Sim", "003", "0001", "000002"})), 400,
         "bad_request", "campo CDSERVFILI: use apenas dígitos e espaços."},
        {"caracteres da filial", "UpdCorrPrecGrup",
         argsOf(deltaOf(table, ChangeKind::Insert, {}, {"00-1", "000002", 50.0, 60.0, 3.0, "001"})), 400, "bad_request",
         "campo CDFILIAL: use apenas letras, dígitos e espaços."},
        {"alteração sem todos os originais", "UpdGrupServ",
         argsOf(without(changed(groups, 0, {{"DSGRSERVFAT", "X"}}), "QTEFMINFERGSF")), 400, "bad_request",
         "falta o campo QTEFMINFERGSF: alterações e exclusões devem trazer o valor original"},
        {"exclusão só com as chaves", "UpdCorrPrecGrup",
         argsOf(without(
             without(without(deltaOf(table, ChangeKind::Delete, table.rows[2], {}), "VRPEINICGRUP"), "VRPEFIMGRUP"),
             "VRPECORRGRUP")),
         400, "bad_request", "falta o campo VRPEINICGRUP"},
        {"NUL num valor original", "UpdServClie", argsOf(deltaOf(services, ChangeKind::Delete, nul, {})), 400,
         "bad_request", "caracteres de controle não são permitidos (em args[0].changes[0].old[3])."},
        {"controle num texto novo", "UpdGrupServ", argsOf(changed(groups, 0, {{"DSGRSERVFAT", "a\x07"}})), 400,
         "bad_request", "caracteres de controle não são permitidos"},
    });
}

TEST_P(BadInputTest, StrictJsonIsRequiredEverywhere)
{
    const std::string fields = R"("fields":[{"name":"CDFILIAL","type":"string","size":4},)"
                               R"({"name":"CDCLIENTE","type":"string","size":21},)"
                               R"({"name":"CDGRSERVFAT","type":"string","size":3},)"
                               R"({"name":"DSGRSERVFAT","type":"string","size":30}])";
    const std::string insert = R"({"op":"insert","new":["0001","000004","010","Nova"]})";
    expectRefused({
        {"chave repetida na alteração", "UpdGrupServ",
         R"({"args":[{)" + fields +
             R"(,"changes":[{"op":"delete","op":"insert","new":["0001","000004","010","Nova"]}]}]})",
         400, "bad_request", "chave \"op\" repetida (em args[0].changes[0])."},
        {"chave repetida no pacote", "UpdGrupServ",
         R"({"args":[{)" + fields + "," + fields + R"(,"changes":[)" + insert + "]}]}", 400, "bad_request",
         "chave \"fields\" repetida"},
        {"chave repetida no corpo", "GetGrupServ", R"({"args":["0001","000002"],"args":["0002","000001"]})", 400,
         "bad_request", "chave \"args\" repetida"},
        {"número fora do intervalo num argumento", "GetGrupServ", R"({"args":[1e400,"000002"]})", 400, "bad_request",
         "número fora do intervalo representável"},
        {"número fora do intervalo num delta", "UpdGrupServ",
         R"({"args":[{"fields":[{"name":"CDFILIAL","type":"string","size":4},{"name":"CDCLIENTE","type":"string","size":21},)"
         R"({"name":"CDGRSERVFAT","type":"string","size":3},{"name":"DSGRSERVFAT","type":"string","size":30},)"
         R"({"name":"QTEFETMINIGSF","type":"float"}],"changes":[{"op":"insert","new":["0001","000004","010","N",-1e400]}]}]})",
         400, "bad_request", "número fora do intervalo representável"},
        {"UTF-8 inválido", "GetServClie", "{\"args\":[\"0001\",\"000002\",\"\xff\"]}", 400, "bad_request",
         "texto com codificação inválida (UTF-8)"},
        {"NUL num argumento", "GetServClie", R"({"args":["0001","000002","00\u00001"]})", 400, "bad_request",
         "caracteres de controle não são permitidos (em args[2])."},
        {"controle C1 numa chave", "GetGrupServ", "{\"args\":[\"0001\",\"000002\"],\"a\xc2\x85\":1}", 400,
         "bad_request", "caracteres de controle"},
        {"aninhamento profundo", "UpdGrupServ",
         "{\"args\":[" + std::string(100000, '[') + std::string(100000, ']') + "]}", 400, "bad_request",
         "aninhamento além de 6 níveis"},
        {"JSON malformado", "GetGrupServ", R"({"args":["0001")", 400, "bad_request", "JSON malformado"},
        {"método desconhecido em bytes inválidos", "Get\xffServ", R"({"args":[]})", 404, "not_found",
         "Método desconhecido"},
    });
}

} // namespace
