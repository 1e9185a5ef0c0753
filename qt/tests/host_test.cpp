int placeholderHost;
