#include "platform/com/MemoryStream.h"
#include "viewer-control/tests/ControlTestSupport.h"

namespace {

using namespace platform;
using namespace control_test;

ComPtr<MemoryStream> Stream(std::vector<std::uint8_t> bytes = {}) {
    ComPtr<MemoryStream> stream;
    stream.Attach(MemoryStream::Create(std::move(bytes)));
    return stream;
}

void Put(IDispatch* control, DISPID id, const Variant& value) {
    ASSERT_EQ(Call(control, id, DISPATCH_PROPERTYPUT, {value}), S_OK);
}

Variant Get(IDispatch* control, DISPID id) {
    Variant value;
    EXPECT_EQ(Call(control, id, DISPATCH_PROPERTYGET, {}, &value), S_OK);
    return value;
}

// Fit, BgColor, PosZ and Filename as one line, to compare controls by.
std::string Shown(IDispatch* control) {
    return FormatC("%d %06X %g ", Get(control, scripting::kDispFit).lVal,
                   Get(control, scripting::kDispBgColor).lVal,
                   double{Get(control, scripting::kDispPosZ).fltVal}) +
           Utf8FromBstr(Get(control, scripting::kDispFilename).bstrVal);
}

// A bag of the page's parameters, as a container makes one.
class Bag final : public RefCounted<IPropertyBag> {
public:
    explicit Bag(std::vector<std::pair<std::string, std::string>> values)
        : values_(std::move(values)) {}
    HRESULT QueryInterface(const IID& iid, void** object) override {
        *object = nullptr;
        if (iid != IID_IUnknown && iid != IID_IPropertyBag) return E_NOINTERFACE;
        AddRef();
        *object = static_cast<IPropertyBag*>(this);
        return S_OK;
    }
    HRESULT Read(const OLECHAR* name, VARIANT* value, IErrorLog*) override {
        const std::string wanted = Utf8FromUtf16(name);
        asked.push_back(wanted);
        for (const auto& [key, text] : values_) {
            if (key != wanted) continue;
            const VARTYPE type = value->vt;
            Variant given = Variant::Text(text);
            if (type != VT_EMPTY && type != VT_BSTR &&
                Failed(VariantChangeType(&given, &given, 0, type))) {
                return E_FAIL;
            }
            *value = given.Detach();
            return S_OK;
        }
        return E_INVALIDARG;
    }
    HRESULT Write(const OLECHAR* name, VARIANT* value) override {
        Variant text;
        if (Failed(VariantChangeType(&text, value, 0, VT_BSTR))) return E_FAIL;
        values_.emplace_back(Utf8FromUtf16(name), Utf8FromBstr(text.bstrVal));
        written.push_back(Utf8FromUtf16(name) + "=" + std::to_string(value->vt));
        return S_OK;
    }
    std::vector<std::string> asked;
    std::vector<std::string> written;

private:
    std::vector<std::pair<std::string, std::string>> values_;
};

using PersistenceTest = ControlTest;

TEST_F(PersistenceTest, ASavedStreamRestoresTheViewInANewControl) {
    ComPtr<IDispatch> first = CreateLensObj();
    Put(first.get(), scripting::kDispFit, Variant::I4(16));
    Put(first.get(), scripting::kDispBgColor, Variant::I4(0x123456));
    Put(first.get(), scripting::kDispPosZ, Variant::R4(2.5f));
    Put(first.get(), scripting::kDispFilename, Variant::Text("pictures/ünïcode.jpg"));
    auto persist = Query<IPersistStreamInit>(first.get(), IID_IPersistStreamInit);
    ASSERT_TRUE(persist);
    EXPECT_EQ(persist->IsDirty(), S_OK);
    auto saved = Stream();
    ASSERT_EQ(persist->Save(saved.get(), true), S_OK);
    EXPECT_EQ(persist->IsDirty(), S_FALSE);
    std::uint64_t most = 0;
    ASSERT_EQ(persist->GetSizeMax(&most), S_OK);
    EXPECT_LE(saved->bytes().size(), most);

    ComPtr<IDispatch> second = CreateLensObj();
    const std::string untouched = Shown(second.get());
    auto bytes = saved->bytes();
    bytes.insert(bytes.end(), {0xDE, 0xAD});  // what follows in a container's file stays
    auto in = Stream(bytes);
    ASSERT_EQ(Query<IPersistStreamInit>(second.get(), IID_IPersistStreamInit)->Load(in.get()),
              S_OK);
    EXPECT_EQ(Shown(second.get()), "16 123456 2.5 pictures/ünïcode.jpg");
    std::uint64_t at = 0;
    in->Seek(0, STREAM_SEEK_CUR, &at);
    EXPECT_EQ(at, saved->bytes().size());

    // Every shorter prefix fails and leaves a fresh control as it was.
    for (std::size_t size = 0; size < saved->bytes().size(); ++size) {
        ComPtr<IDispatch> fresh = CreateLensObj();
        auto prefix = Stream({saved->bytes().begin(), saved->bytes().begin() + size});
        EXPECT_EQ(
            Query<IPersistStreamInit>(fresh.get(), IID_IPersistStreamInit)->Load(prefix.get()),
            E_FAIL)
            << size;
        EXPECT_EQ(Shown(fresh.get()), untouched) << size;
    }
}

// A state written by hand: "LENS", version, count, then (id, tag, value) entries.
std::vector<std::uint8_t> State(std::uint16_t version,
                                const std::vector<std::vector<std::uint8_t>>& entries) {
    std::vector<std::uint8_t> out{'L',
                                  'E',
                                  'N',
                                  'S',
                                  static_cast<std::uint8_t>(version),
                                  0,
                                  static_cast<std::uint8_t>(entries.size()),
                                  0};
    for (const auto& entry : entries) out.insert(out.end(), entry.begin(), entry.end());
    return out;
}

std::vector<std::uint8_t> Int(std::uint8_t id, std::int32_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    return {id,
            0,
            0,
            0,
            1,
            static_cast<std::uint8_t>(v),
            static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v >> 16),
            static_cast<std::uint8_t>(v >> 24)};
}

TEST_F(PersistenceTest, StatesOfOtherShapesLoadOrFailWhole) {
    const std::vector<std::uint8_t> textFit{20, 0, 0, 0, 3, 3, 0, '3', 0, '0', 0, '4', 0};
    const std::vector<std::uint8_t> textZoom{23, 0, 0, 0, 3, 1, 0, 'x', 0};
    const std::vector<std::uint8_t> badTag{20, 0, 0, 0, 9, 0, 0, 0, 0};
    const std::vector<std::uint8_t> longText{1, 0, 0, 0, 3, 0xFF, 0xFF};
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        HRESULT result;
        int fit;  // Fit afterwards (0 when untouched)
    };
    const std::vector<Case> cases{
        {"unknown ids skipped", State(1, {Int(99, 5), Int(20, 48), Int(10, 1 << 30)}), S_OK, 48},
        {"a number given as text", State(1, {textFit}), S_OK, 304},
        {"text that is no number", State(1, {Int(20, 48), textZoom}), E_FAIL, 0},
        {"a later version", State(2, {Int(20, 48)}), E_FAIL, 0},
        {"an unknown type", State(1, {Int(20, 48), badTag}), E_FAIL, 0},
        {"text past the bound", State(1, {Int(20, 48), longText}), E_FAIL, 0},
        {"another magic", {'S', 'N', 'E', 'L', 1, 0, 0, 0}, E_FAIL, 0},
    };
    for (const Case& c : cases) {
        ComPtr<IDispatch> control = CreateLensObj();
        auto in = Stream(c.bytes);
        EXPECT_EQ(Query<IPersistStreamInit>(control.get(), IID_IPersistStreamInit)->Load(in.get()),
                  c.result)
            << c.what;
        EXPECT_EQ(Get(control.get(), scripting::kDispFit).lVal, c.fit) << c.what;
        EXPECT_EQ(Get(control.get(), scripting::kDispCanvasWidth).lVal,
                  Get(CreateLensObj().get(), scripting::kDispCanvasWidth).lVal)
            << c.what;
    }
}

TEST_F(PersistenceTest, APropertyBagGivesEachParameterInItsOwnType) {
    ComPtr<IDispatch> control = CreateLensObj();
    const std::string untouched = Shown(control.get());
    auto persist = Query<IPersistPropertyBag>(control.get(), IID_IPersistPropertyBag);
    ASSERT_TRUE(persist);
    ComPtr<Bag> bag;
    bag.Attach(
        new Bag({{"Fit", "304"}, {"PosZ", "0.25"}, {"Filename", "a.jpg"}, {"BgColor", "x"}}));
    ASSERT_EQ(persist->Load(bag.get(), nullptr), S_OK);
    EXPECT_EQ(Shown(control.get()),
              "304 " + untouched.substr(untouched.find(' ') + 1, 7) + "0.25 a.jpg");
    for (const char* name : {"Filename", "Fit", "PosX", "PosY", "PosZ", "BgColor", "ShowLogo",
                             "UserInterfaceLock", "MaxZoom", "MinZoom", "ZoomSpeed", "PanSpeed",
                             "BorderColor", "BorderWidth", "BorderHeight", "Fullscreen"}) {
        EXPECT_NE(std::find(bag->asked.begin(), bag->asked.end(), name), bag->asked.end()) << name;
    }
    EXPECT_EQ(bag->asked.size(), 16u);

    ComPtr<Bag> out;
    out.Attach(new Bag({}));
    ASSERT_EQ(persist->Save(out.get(), true, true), S_OK);
    EXPECT_NE(std::find(out->written.begin(), out->written.end(), "Fit=3"), out->written.end());
    EXPECT_NE(std::find(out->written.begin(), out->written.end(), "PosZ=4"), out->written.end());
    EXPECT_NE(std::find(out->written.begin(), out->written.end(), "Filename=8"),
              out->written.end());
}

TEST_F(PersistenceTest, AContainerLoadsTheControlFromItsSavedState) {
    ComPtr<IDispatch> first = CreateLensObj();
    Put(first.get(), scripting::kDispFit, Variant::I4(32));
    auto saved = Stream();
    ASSERT_EQ(
        Query<IPersistStreamInit>(first.get(), IID_IPersistStreamInit)->Save(saved.get(), false),
        S_OK);
    saved->Seek(0, STREAM_SEEK_SET, nullptr);
    ControlSite* site = Create(saved.get());
    ASSERT_NE(site, nullptr);
    std::int32_t fit = 0;
    site->GetProperty(scripting::kDispFit, &fit);
    EXPECT_EQ(fit, 32);
}

}  // namespace
