// The shop schema as one table, in registration order: for each persistent
// class its type name, its stored size, the number of pointer fields stored
// files carry for it, and the C++ type. Include it with SHOP_CLASS defined as
// SHOP_CLASS(NAME, SIZE, POINTERS, TYPE...).
// clang-format off
#define SHOP_SCHEMA_TABLE(SHOP_CLASS) \
  SHOP_CLASS("CMyString", 4, 1, CMyString) \
  SHOP_CLASS("old_CMyString", 4, 1, old_CMyString) \
  SHOP_CLASS("CNameLangPtr", 20, 3, CNameLangPtr) \
  SHOP_CLASS("ShopInfo_Lang", 256, 33, ShopInfo_Lang) \
  SHOP_CLASS("COsType", 20, 3, COsType) \
  SHOP_CLASS("CountryInfo", 104, 10, CountryInfo) \
  SHOP_CLASS("CDiscountSettings", 48, 3, CDiscountSettings) \
  SHOP_CLASS("CPictureInfo", 16, 2, CPictureInfo) \
  SHOP_CLASS("_PriceRange", 32, 1, _PriceRange) \
  SHOP_CLASS("_Postage", 60, 10, _Postage) \
  SHOP_CLASS("_ByWeightPrice", 32, 0, _ByWeightPrice) \
  SHOP_CLASS("_PostInfo", 16, 3, _PostInfo) \
  SHOP_CLASS("_PostInfoStruct", 28, 1, _PostInfoStruct) \
  SHOP_CLASS("_ShippingProvider", 8, 1, _ShippingProvider) \
  SHOP_CLASS("CMyStringArray", 8, 1, CMyStringArray) \
  SHOP_CLASS("_PaymentMode", 16, 3, _PaymentMode) \
  SHOP_CLASS("_PaymentInfo", 16, 2, _PaymentInfo) \
  SHOP_CLASS("CBitsArray", 8, 1, CBitsArray) \
  SHOP_CLASS("CPersonalInfo", 36, 2, CPersonalInfo) \
  SHOP_CLASS("CMLText", 12, 1, CMLText) \
  SHOP_CLASS("CPayMethod", 32, 4, CPayMethod) \
  SHOP_CLASS("CPayMethField", 64, 5, CPayMethField) \
  SHOP_CLASS("CQuestionaire", 52, 4, CQuestionaire) \
  SHOP_CLASS("CGraphicsUsed", 28, 4, CGraphicsUsed) \
  SHOP_CLASS("CActiveLanguage", 8, 1, CActiveLanguage) \
  SHOP_CLASS("ShopHeader", 17, 2, ShopHeader) \
  SHOP_CLASS("old_ShopHeader", 17, 2, old_ShopHeader) \
  SHOP_CLASS("old__PaymentInfo", 8, 1, old__PaymentInfo) \
  SHOP_CLASS("old__PaymentMode", 8, 2, old__PaymentMode) \
  SHOP_CLASS("old__PostInfo", 8, 2, old__PostInfo) \
  SHOP_CLASS("old__Postage", 36, 8, old__Postage) \
  SHOP_CLASS("_TaxInfoStruct", 12, 1, _TaxInfoStruct) \
  SHOP_CLASS("old__TaxInfoStruct", 12, 1, old__TaxInfoStruct) \
  SHOP_CLASS("_Tax", 152, 8, _Tax) \
  SHOP_CLASS("old__Tax", 72, 5, old__Tax) \
  SHOP_CLASS("PostageTax", 220, 19, PostageTax) \
  SHOP_CLASS("old_PostageTax", 108, 13, old_PostageTax) \
  SHOP_CLASS("WebInfo", 28, 7, WebInfo) \
  SHOP_CLASS("old_WebInfo", 28, 7, old_WebInfo) \
  SHOP_CLASS("_WallInfo", 16, 4, _WallInfo) \
  SHOP_CLASS("old__WallInfo", 16, 4, old__WallInfo) \
  SHOP_CLASS("_PriceWeight", 28, 1, _PriceWeight) \
  SHOP_CLASS("old__PriceWeight", 20, 0, old__PriceWeight) \
  SHOP_CLASS("_Shipping", 20, 1, _Shipping) \
  SHOP_CLASS("old__Shipping", 8, 0, old__Shipping) \
  SHOP_CLASS("old__PriceRange", 16, 0, old__PriceRange) \
  SHOP_CLASS("CSearchEngine", 16, 2, CSearchEngine) \
  SHOP_CLASS("Department", 372, 52, Department) \
  SHOP_CLASS("_ShopEntity", 28, 3, _ShopEntity) \
  SHOP_CLASS("CNameAddr", 20, 2, CNameAddr) \
  SHOP_CLASS("Department_Lang", 56, 10, Department_Lang) \
  SHOP_CLASS("Product", 340, 34, Product) \
  SHOP_CLASS("CHtmlCode", 20, 3, CHtmlCode) \
  SHOP_CLASS("CLinkInfo", 20, 3, CLinkInfo) \
  SHOP_CLASS("DisplayStyles", 156, 20, DisplayStyles) \
  SHOP_CLASS("TAltNameLangPtr<CPictureInfo>", 32, 6, TAltNameLangPtr<CPictureInfo>) \
  SHOP_CLASS("CTagValuePair", 16, 3, CTagValuePair) \
  SHOP_CLASS("CModHistory", 64, 7, CModHistory) \
  SHOP_CLASS("CModiDetail", 28, 3, CModiDetail) \
  SHOP_CLASS("CAppInfo", 32, 3, CAppInfo) \
  SHOP_CLASS("CShippingProvider", 24, 1, CShippingProvider) \
  SHOP_CLASS("CRegion", 28, 3, CRegion) \
  SHOP_CLASS("CRegionDetails", 32, 6, CRegionDetails) \
  SHOP_CLASS("CShippingMethod", 44, 3, CShippingMethod) \
  SHOP_CLASS("CShipMethodsList", 16, 3, CShipMethodsList) \
  SHOP_CLASS("_CatStruct", 16, 2, _CatStruct) \
  SHOP_CLASS("COption", 56, 4, COption) \
  SHOP_CLASS("Product_Lang", 128, 24, Product_Lang) \
  SHOP_CLASS("CFeatureInfo", 12, 1, CFeatureInfo) \
  SHOP_CLASS("CTaxingMethod", 36, 3, CTaxingMethod) \
  SHOP_CLASS("_DiscountsList", 4, 1, _DiscountsList) \
  SHOP_CLASS("old_CountryInfo", 60, 7, old_CountryInfo) \
  SHOP_CLASS("CDefiTxts", 32, 2, CDefiTxts) \
  SHOP_CLASS("CPayServiceDetails", 20, 4, CPayServiceDetails) \
  SHOP_CLASS("CPayServiceMethodPair", 16, 3, CPayServiceMethodPair) \
  SHOP_CLASS("CChoice", 68, 3, CChoice) \
  SHOP_CLASS("TAltNameLangPtr<CChoice>", 32, 6, TAltNameLangPtr<CChoice>) \
  SHOP_CLASS("old__SubCatInfo", 28, 3, old__SubCatInfo) \
  SHOP_CLASS("TAltNameLangPtr<COption>", 32, 6, TAltNameLangPtr<COption>) \
  SHOP_CLASS("old__SubCatStruct", 16, 2, old__SubCatStruct) \
  SHOP_CLASS("old__CatStruct", 8, 1, old__CatStruct) \
  SHOP_CLASS("CHistory", 80, 9, CHistory) \
  SHOP_CLASS("TAltNameLangPtr<CFeatureInfo>", 32, 6, TAltNameLangPtr<CFeatureInfo>) \
  SHOP_CLASS("CTemplateStyle", 28, 4, CTemplateStyle) \
  SHOP_CLASS("old_DisplayStyles", 44, 4, old_DisplayStyles) \
  SHOP_CLASS("old_Department", 100, 13, old_Department) \
  SHOP_CLASS("Root", 416, 60, Root) \
  SHOP_CLASS("ShopInfo", 200, 22, ShopInfo) \
  SHOP_CLASS("CZone", 16, 2, CZone) \
  SHOP_CLASS("old__Product", 84, 9, old__Product) \
  SHOP_CLASS("old_ShopInfo", 104, 22, old_ShopInfo) \
  SHOP_CLASS("CDeptInfo", 12, 2, CDeptInfo) \
  SHOP_CLASS("CRegionLevel", 8, 1, CRegionLevel) \
  SHOP_CLASS("old_Root", 396, 63, old_Root) \
  SHOP_CLASS("CSingletonPool", 172, 40, CSingletonPool) \
  SHOP_CLASS("kv_pair<old__SubCatInfo,CChoice>", 12, 2, kv_pair<old__SubCatInfo, CChoice>) \
  SHOP_CLASS("kv_pair<old__SubCatStruct,COption>", 12, 2, kv_pair<old__SubCatStruct, COption>) \
  SHOP_CLASS("kv_pair<old__CatStruct,_CatStruct>", 12, 2, kv_pair<old__CatStruct, _CatStruct>) \
  SHOP_CLASS("kv_pair<old_CountryInfo,CountryInfo>", 12, 2, kv_pair<old_CountryInfo, CountryInfo>) \
  SHOP_CLASS("kv_pair<old_DisplayStyles,DisplayStyles>", 12, 2, kv_pair<old_DisplayStyles, DisplayStyles>) \
  SHOP_CLASS("kv_pair<old__Shipping,_Shipping>", 12, 2, kv_pair<old__Shipping, _Shipping>) \
  SHOP_CLASS("kv_pair<old__TaxInfoStruct,_TaxInfoStruct>", 12, 2, kv_pair<old__TaxInfoStruct, _TaxInfoStruct>) \
  SHOP_CLASS("kv_pair<old__Tax,_Tax>", 12, 2, kv_pair<old__Tax, _Tax>) \
  SHOP_CLASS("kv_pair<old__Postage,_Postage>", 12, 2, kv_pair<old__Postage, _Postage>) \
  SHOP_CLASS("kv_pair<old__PostInfo,_PostInfo>", 12, 2, kv_pair<old__PostInfo, _PostInfo>) \
  SHOP_CLASS("kv_pair<old_PostageTax,PostageTax>", 12, 2, kv_pair<old_PostageTax, PostageTax>) \
  SHOP_CLASS("kv_pair<old__PriceRange,_PriceRange>", 12, 2, kv_pair<old__PriceRange, _PriceRange>) \
  SHOP_CLASS("kv_pair<old__PriceWeight,_PriceWeight>", 12, 2, kv_pair<old__PriceWeight, _PriceWeight>) \
  SHOP_CLASS("kv_pair<old__PaymentInfo,_PaymentInfo>", 12, 2, kv_pair<old__PaymentInfo, _PaymentInfo>) \
  SHOP_CLASS("kv_pair<old__PaymentMode,_PaymentMode>", 12, 2, kv_pair<old__PaymentMode, _PaymentMode>) \
  SHOP_CLASS("kv_pair<old_Department,Department>", 12, 2, kv_pair<old_Department, Department>) \
  SHOP_CLASS("kv_pair<old__Product,Product>", 12, 2, kv_pair<old__Product, Product>) \
  SHOP_CLASS("kv_pair<old_ShopInfo,ShopInfo>", 12, 2, kv_pair<old_ShopInfo, ShopInfo>) \
  SHOP_CLASS("kv_pair<old_Root,Root>", 12, 2, kv_pair<old_Root, Root>) \
  SHOP_CLASS("_SubCatInfo", 28, 3, _SubCatInfo) \
  SHOP_CLASS("_SubCatStruct", 16, 2, _SubCatStruct) \
  SHOP_CLASS("CMiscFlags", 8, 2, CMiscFlags) \
  SHOP_CLASS("TListActions<CDeptInfo,CDeptInfo>", 8, 2, TListActions<CDeptInfo, CDeptInfo>) \
  SHOP_CLASS("TListActions<Department_Lang,Department_Lang>", 8, 2, TListActions<Department_Lang, Department_Lang>) \
  SHOP_CLASS("TListActions<Product_Lang,Product_Lang>", 8, 2, TListActions<Product_Lang, Product_Lang>) \
  SHOP_CLASS("TListActions<ShopInfo_Lang,ShopInfo_Lang>", 8, 2, TListActions<ShopInfo_Lang, ShopInfo_Lang>) \
  SHOP_CLASS("TListActions<CShippingProvider,CShippingProvider>", 8, 2, TListActions<CShippingProvider, CShippingProvider>) \
  SHOP_CLASS("TListActions<CNameLangPtr,CNameLangPtr>", 8, 2, TListActions<CNameLangPtr, CNameLangPtr>) \
  SHOP_CLASS("TListActions<CTaxingMethod,CTaxingMethod>", 8, 2, TListActions<CTaxingMethod, CTaxingMethod>) \
  SHOP_CLASS("TListActions<Department,Department>", 8, 2, TListActions<Department, Department>) \
  SHOP_CLASS("TListActions<Product,Product>", 8, 2, TListActions<Product, Product>) \
  SHOP_CLASS("TListActions<CRegion,CRegion>", 8, 2, TListActions<CRegion, CRegion>) \
  SHOP_CLASS("TListActions<CRegionLevel,CRegionLevel>", 8, 2, TListActions<CRegionLevel, CRegionLevel>) \
  SHOP_CLASS("TListActions<_PriceRange,_PriceRange>", 8, 2, TListActions<_PriceRange, _PriceRange>) \
  SHOP_CLASS("TListActions<CChoice,CChoice>", 8, 2, TListActions<CChoice, CChoice>) \
  SHOP_CLASS("TListActions<COption,COption>", 8, 2, TListActions<COption, COption>) \
  SHOP_CLASS("TListActions<CLinkInfo,CLinkInfo>", 8, 2, TListActions<CLinkInfo, CLinkInfo>) \
  SHOP_CLASS("TAltNameLangPtr<CHtmlCode>", 32, 6, TAltNameLangPtr<CHtmlCode>) \
  SHOP_CLASS("TAltNameLangPtr<_SubCatInfo>", 32, 6, TAltNameLangPtr<_SubCatInfo>) \
  SHOP_CLASS("TAltNameLangPtr<_SubCatStruct>", 32, 6, TAltNameLangPtr<_SubCatStruct>) \
  SHOP_CLASS("TListActions<TAltNameLangPtr<CFeatureInfo>,TAltNameLangPtr<CFeatureInfo> >", 8, 2, TListActions<TAltNameLangPtr<CFeatureInfo>, TAltNameLangPtr<CFeatureInfo>>) \
  SHOP_CLASS("TListActions<TAltNameLangPtr<CPictureInfo>,TAltNameLangPtr<CPictureInfo> >", 8, 2, TListActions<TAltNameLangPtr<CPictureInfo>, TAltNameLangPtr<CPictureInfo>>) \
  SHOP_CLASS("TListActions<TAltNameLangPtr<CChoice>,TAltNameLangPtr<CChoice> >", 8, 2, TListActions<TAltNameLangPtr<CChoice>, TAltNameLangPtr<CChoice>>) \
  SHOP_CLASS("TListActions<TAltNameLangPtr<COption>,TAltNameLangPtr<COption> >", 8, 2, TListActions<TAltNameLangPtr<COption>, TAltNameLangPtr<COption>>) \
  SHOP_CLASS("TListActions<TAltNameLangPtr<CFeatureInfo>,void>", 8, 2, TListActions<TAltNameLangPtr<CFeatureInfo>, void>) \
  SHOP_CLASS("TListActions<TAltNameLangPtr<CPictureInfo>,void>", 8, 2, TListActions<TAltNameLangPtr<CPictureInfo>, void>) \
  SHOP_CLASS("TListActions<TAltNameLangPtr<CChoice>,void>", 8, 2, TListActions<TAltNameLangPtr<CChoice>, void>) \
  SHOP_CLASS("TListActions<TAltNameLangPtr<COption>,void>", 8, 2, TListActions<TAltNameLangPtr<COption>, void>) \
  SHOP_CLASS("kv_pair<old_CMyString,CMyString>", 12, 2, kv_pair<old_CMyString, CMyString>) \
  SHOP_CLASS("kv_pair<void,void>", 12, 2, kv_pair<void, void>) \
  SHOP_CLASS("kv_pair<CHtmlCode,CHtmlCode>", 12, 2, kv_pair<CHtmlCode, CHtmlCode>) \
  SHOP_CLASS("kv_pair<CPictureInfo,CPictureInfo>", 12, 2, kv_pair<CPictureInfo, CPictureInfo>) \
  SHOP_CLASS("kv_pair<CLinkInfo,CLinkInfo>", 12, 2, kv_pair<CLinkInfo, CLinkInfo>) \
  SHOP_CLASS("kv_pair<CMyString,CMyString>", 12, 2, kv_pair<CMyString, CMyString>) \
  SHOP_CLASS("kv_pair<_PriceRange,_PriceRange>", 12, 2, kv_pair<_PriceRange, _PriceRange>) \
  SHOP_CLASS("kv_pair<CQuestionaire,CQuestionaire>", 12, 2, kv_pair<CQuestionaire, CQuestionaire>) \
  SHOP_CLASS("kv_pair<Product,Product>", 12, 2, kv_pair<Product, Product>) \
  SHOP_CLASS("kv_pair<CMLText,CMLText>", 12, 2, kv_pair<CMLText, CMLText>) \
  SHOP_CLASS("kv_pair<CPayMethod,CPayMethod>", 12, 2, kv_pair<CPayMethod, CPayMethod>) \
  SHOP_CLASS("kv_pair<CPayServiceDetails,CPayServiceDetails>", 12, 2, kv_pair<CPayServiceDetails, CPayServiceDetails>) \
  SHOP_CLASS("kv_pair<CPayServiceMethodPair,CPayServiceMethodPair>", 12, 2, kv_pair<CPayServiceMethodPair, CPayServiceMethodPair>) \
  SHOP_CLASS("CListSort<Product>", 12, 2, CListSort<Product>) \
  SHOP_CLASS("CListSort<Department>", 12, 2, CListSort<Department>) \
  SHOP_CLASS("tagKeyQuestPair", 8, 2, tagKeyQuestPair)
// clang-format on
