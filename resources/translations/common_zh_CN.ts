<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="en_US">
<context>
    <name>Localizable</name>
    <message>
        <source>km_speedUnit</source>
        <translation>KM/H</translation>
    </message>
    <message>
        <source>mph_speedUnit</source>
        <translation>MPH</translation>
    </message>
    <message>
        <source>km_distanceUnit</source>
        <translation>公里</translation>
    </message>
    <message>
        <source>mile_distanceUnit</source>
        <translation>英里</translation>
    </message>
    <message>
        <source>setting</source>
        <translation>偏好设置</translation>
    </message>
    <message>
        <source>About</source>
        <translation>关于</translation>
    </message>
    <message>
        <source>capture_fail</source>
        <translation>截图失败</translation>
    </message>
    <message>
        <source>   Map not available, please check your,internet connection and / or select an alternative map from the , Setting menu.</source>
        <translation>地图不可用，请检查您的网络连接，
和/或选择其他地图：
“设置 ▸ 谷歌地图”或“设置 ▸ OpenStreetMap 地图”。</translation>
    </message>
    <message>
        <source>%1 is not a file that can be opened.</source>
        <translation>%1 不是可以打开的文件。</translation>
    </message>
    <message>
        <source>not a video file but a device, pipe or socket</source>
        <translation>不是视频文件，而是设备、管道或套接字</translation>
    </message>
    <message>
        <source>%1 was not added: %2</source>
        <translation>%1 未添加：%2</translation>
    </message>
</context>
<context>
    <name>InfoPlist</name>
    <message>
        <source>CFBundleDisplayName</source>
        <translation>Veltra 播放器</translation>
    </message>
    <message><source>%1 holds no recordings (.MOV, .MP4).</source><translation>%1 中没有录像 (.MOV, .MP4)。</translation></message>
    <message><source>ffmpeg could not be started: %1</source><translation>ffmpeg 无法启动：%1</translation></message>
    <message><source>The encoder stopped: %1</source><translation>编码器已停止：%1</translation></message>
    <message><source>The clip could not be read: %1</source><translation>无法读取片段：%1</translation></message>
    <message><source>The encoder failed: %1</source><translation>编码失败：%1</translation></message>
    <message><source>Nothing to track.</source><translation>没有可跟踪的内容。</translation></message>
    <message><source>No key box lies in the range.</source><translation>范围内没有关键框。</translation></message>
    <message><source>The key frame could not be read.</source><translation>无法读取关键帧。</translation></message>
    <message><source>The clip could not be read before %1 s.</source><translation>无法读取片段 %1 秒之前的部分。</translation></message>
    <message><source>Tracking needs ffmpeg, which is not installed.</source><translation>跟踪需要 ffmpeg，但尚未安装。</translation></message>
    <message><source>Blur marked areas</source><translation>模糊标记区域</translation></message>
    <message><source>Pixelate</source><translation>马赛克</translation></message>
    <message><source>Gaussian blur</source><translation>高斯模糊</translation></message>
    <message><source>Strength:</source><translation>强度：</translation></message>
    <message><source>How:</source><translation>方式：</translation></message>
    <message><source>Blurring:</source><translation>模糊：</translation></message>
    <message><source>This moment has marked areas. The export shows them as below.</source><translation>此时刻有标记区域。导出效果如下所示。</translation></message>
    <message><source>It blurs %1 marked areas.</source><translation>其中模糊了 %1 个标记区域。</translation></message>
    <message><source>The detector %1 cannot be loaded.</source><translation>无法加载检测器 %1。</translation></message>
</context>
</TS>
