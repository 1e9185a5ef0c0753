#pragma once

// A small group dataset behind a data source, for the data-aware control tests.

#include "platform/data/dataset.h"

#include <string>

namespace gsf::ui::testing {

inline void defineGroups(gsf::data::DataSet& ds)
{
    using gsf::data::FieldDef;
    using gsf::data::FieldType;
    FieldDef code;
    code.name = "CDGRSERVFAT";
    code.size = 3;
    code.label = "Código";
    FieldDef name;
    name.name = "DSGRSERVFAT";
    name.size = 30;
    FieldDef minimum;
    minimum.name = "QTEFETMINIGSF";
    minimum.type = FieldType::Float;
    minimum.displayFormat = "#,##0.000";
    minimum.editFormat = "0.000";
    ds.AddField(code);
    ds.AddField(name);
    ds.AddField(minimum);
    gsf::data::Packet p;
    p.fields = {{"CDGRSERVFAT", FieldType::String, 3},
                {"DSGRSERVFAT", FieldType::String, 30},
                {"QTEFETMINIGSF", FieldType::Float, 0}};
    p.rows = {{std::string("001"), std::string("Vigilância"), 2.5},
              {std::string("002"), std::string("Limpeza"), 1234.5},
              {std::string("003"), std::string("Portaria"), gsf::data::Value{}}};
    ds.SetData(p);
}

} // namespace gsf::ui::testing
