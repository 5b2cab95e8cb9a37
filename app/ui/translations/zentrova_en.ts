<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>TConversionList</name>
    <message>
        <source>视频文件</source>
        <translation>Source File</translation>
    </message>
    <message>
        <source>时长</source>
        <translation>Duration</translation>
    </message>
    <message>
        <source>文件大小</source>
        <translation>File Size</translation>
    </message>
    <message>
        <source>输出文件名</source>
        <translation>Output File</translation>
    </message>
    <message>
        <source>转换进度</source>
        <translation>Progress</translation>
    </message>
    <message>
        <source>帧率</source>
        <translation>FPS</translation>
    </message>
    <message>
        <source>已转换时长</source>
        <translation>Converted Time</translation>
    </message>
    <message>
        <source>输出大小</source>
        <translation>Output Size</translation>
    </message>
</context>
<context>
    <name>TConversionListView</name>
    <message>
        <source>可以拖放视频文件到本窗口</source>
        <translation>You can drop video files onto this window</translation>
    </message>
</context>
<context>
    <name>TfrmConverter</name>
    <message>
        <source>添加视频文件</source>
        <translation>Add Video Files</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>清空</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>开始</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>继续</source>
        <translation>Resume</translation>
    </message>
    <message>
        <source>官方网站</source>
        <translation>Home Page</translation>
    </message>
    <message>
        <source>访问官网</source>
        <translation>Visit Website</translation>
    </message>
    <message>
        <source>多线程模式</source>
        <translation>Parallel Tasks</translation>
    </message>
    <message>
        <source>线程数:</source>
        <translation>Tasks at once:</translation>
    </message>
    <message>
        <source>输出日志:</source>
        <translation>Log:</translation>
    </message>
    <message>
        <source>Zentrova 组件库
TDERodorir: 多任务批量转换组件
TRIDarivir: 解码与逐帧预览组件</source>
        <translation>Zentrova component library
TDERodorir: batch conversion of many tasks
TRIDarivir: decoding and frame-by-frame preview</translation>
    </message>
    <message>
        <source>无法加载解码库!</source>
        <translation>The media libraries cannot be loaded!</translation>
    </message>
    <message>
        <source>选择视频文件(支持多选)</source>
        <translation>Choose Video Files (several at once)</translation>
    </message>
    <message>
        <source>***文件加载错误: </source>
        <translation>***The file cannot be opened: </translation>
    </message>
</context>
<context>
    <name>TfrmOption</name>
    <message>
        <source>视频输出选项</source>
        <translation>Video Output Options</translation>
    </message>
    <message>
        <source>输入文件夹位于光盘, 请选择选择一个输出目录.</source>
        <translation>The source folder is on an optical disc: please choose an output folder.</translation>
    </message>
    <message>
        <source>视频比特率 (video bit rate, kb/s)</source>
        <translation>Video bit rate (kb/s)</translation>
    </message>
    <message>
        <source>音频比特率 (audio bit rate, kb/s)</source>
        <translation>Audio bit rate (kb/s)</translation>
    </message>
    <message>
        <source>调整音频音量 (volume, 256 = unchanged)</source>
        <translation>Audio volume (256 = unchanged)</translation>
    </message>
    <message>
        <source>重置</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>源视频文件信息</source>
        <translation>Source File Information</translation>
    </message>
    <message>
        <source>音频音量</source>
        <translation>Audio Volume</translation>
    </message>
    <message>
        <source>调整音频音量</source>
        <translation>Change the volume</translation>
    </message>
    <message>
        <source>码率 (Kbps)</source>
        <translation>Bit Rates (kb/s)</translation>
    </message>
    <message>
        <source>视频比特率</source>
        <translation>Video bit rate</translation>
    </message>
    <message>
        <source>音频比特率</source>
        <translation>Audio bit rate</translation>
    </message>
    <message>
        <source>视频过滤器</source>
        <translation>Video Filters</translation>
    </message>
    <message>
        <source>亮度</source>
        <translation>Brightness</translation>
    </message>
    <message>
        <source>饱和度</source>
        <translation>Saturation</translation>
    </message>
    <message>
        <source>色调</source>
        <translation>Hue</translation>
    </message>
    <message>
        <source>设置水印:</source>
        <translation>Watermark:</translation>
    </message>
    <message>
        <source>选择...</source>
        <translation>Choose...</translation>
    </message>
    <message>
        <source>输出目录:</source>
        <translation>Output folder:</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>视频编码:</source>
        <translation>Video codec:</translation>
    </message>
    <message>
        <source>分辨率:</source>
        <translation>Resolution:</translation>
    </message>
    <message>
        <source>码率:</source>
        <translation>Bit rate:</translation>
    </message>
    <message>
        <source>帧率:</source>
        <translation>Frame rate:</translation>
    </message>
    <message>
        <source>音频编码:</source>
        <translation>Audio codec:</translation>
    </message>
    <message>
        <source>采样率:</source>
        <translation>Sample rate:</translation>
    </message>
    <message>
        <source>声道:</source>
        <translation>Channels:</translation>
    </message>
    <message>
        <source>音频码率:</source>
        <translation>Audio bit rate:</translation>
    </message>
    <message>
        <source>时长:</source>
        <translation>Duration:</translation>
    </message>
</context>
<context>
    <name>FileFilter</name>
    <message>
        <source>PNG图片(*.PNG)</source>
        <translation>PNG pictures (*.PNG)</translation>
    </message>
</context>
<context>
    <name>zentrova::app</name>
    <message>
        <source>视频每帧大小</source>
        <translation>Frame Size</translation>
    </message>
    <message>
        <source>视频帧率 (FPS)</source>
        <translation>Frame Rate (FPS)</translation>
    </message>
    <message>
        <source>视频长宽比例</source>
        <translation>Aspect Ratio</translation>
    </message>
    <message>
        <source>音频编码器</source>
        <translation>Audio Encoder</translation>
    </message>
    <message>
        <source>视频编码器</source>
        <translation>Video Encoder</translation>
    </message>
    <message>
        <source>&lt;输出在源视频目录下&gt;</source>
        <translation>&lt;beside the source file&gt;</translation>
    </message>
    <message>
        <source>码率信息严重错误!</source>
        <translation>No bit rate can be read from the source!</translation>
    </message>
</context>
</TS>
